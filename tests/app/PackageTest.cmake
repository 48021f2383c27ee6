# PackageTest.cmake - builds the Debian package with CPack and checks it: exactly the utility's
# files, a Depends field computed from the program's libraries, a desktop entry that
# desktop-file-validate accepts, and a program that runs.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -P PackageTest.cmake
foreach(var BUILD_DIR WORK_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "PackageTest.cmake needs -D${var}=...")
    endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(run out)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
        ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "package: ${ARGN} failed (${result}):\n${output}${error}")
    endif()
    set(${out} "${output}" PARENT_SCOPE)
endfunction()

run(ignored cpack -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
file(GLOB packages "${WORK_DIR}/tamberon_*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "package: expected one tamberon_*.deb in ${WORK_DIR}, found ${count}")
endif()
set(deb "${packages}")

# The files, without the folders that hold them.
run(listing dpkg-deb --contents "${deb}")
string(REGEX MATCHALL "\\./usr/[^\n]*[^/\n]\n" files "${listing}")
string(REPLACE "\n" "" files "${files}")
list(SORT files)
set(expected ./usr/bin/tamberon ./usr/share/applications/tamberon.desktop
    ./usr/share/icons/hicolor/scalable/apps/tamberon.svg)
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected ./usr/share/icons/hicolor/${size}x${size}/apps/tamberon.png)
endforeach()
list(SORT expected)
if(NOT files STREQUAL expected)
    message(FATAL_ERROR "package: files\n  ${files}\nexpected\n  ${expected}")
endif()

# dpkg-shlibdeps names the packages of the libraries the program loads, most of them with the
# least version that has every symbol it uses.
run(depends dpkg-deb --field "${deb}" Depends)
string(STRIP "${depends}" depends)
foreach(library libc6 libstdc\\+\\+6 libcurl4 libqt6core6 libqt6gui6 libqt6widgets6)
    if(NOT depends MATCHES "(^|, )${library} \\(>= [^)]+\\)")
        message(FATAL_ERROR "package: Depends lacks a versioned ${library}: ${depends}")
    endif()
endforeach()
if(NOT depends MATCHES "(^|, )libxcb1( |,|$)")
    message(FATAL_ERROR "package: Depends lacks libxcb1: ${depends}")
endif()

run(ignored dpkg-deb --extract "${deb}" "${WORK_DIR}/root")
run(ignored desktop-file-validate "${WORK_DIR}/root/usr/share/applications/tamberon.desktop")
run(version "${WORK_DIR}/root/usr/bin/tamberon" --version)
if(NOT version STREQUAL "Tamberon 1.0\n")
    message(FATAL_ERROR "package: the packaged program says '${version}'")
endif()
message("package: ${deb}\n  Depends: ${depends}")
file(REMOVE_RECURSE "${WORK_DIR}")
