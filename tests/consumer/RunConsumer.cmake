# RunConsumer.cmake - installs the built library into a fresh prefix, then configures, builds
# and runs the outside project in project/ against it, as a user of the package would: the
# package is found through CMAKE_PREFIX_PATH, as the README says.
#   cmake -DYRAPI_BUILD_DIR=... -DCONSUMER_SOURCE_DIR=... -DWORK_DIR=... -DCXX_COMPILER=...
#         -DMAKE_PROGRAM=... -DBUILD_TYPE=... -P RunConsumer.cmake
# A cross build gives instead of CXX_COMPILER the project's TOOLCHAIN_FILE, which the consumer
# uses too, and the EMULATOR that runs its programs ("|" between its words).
foreach(var YRAPI_BUILD_DIR CONSUMER_SOURCE_DIR WORK_DIR MAKE_PROGRAM)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunConsumer.cmake needs -D${var}=...")
    endif()
endforeach()
if(NOT DEFINED CXX_COMPILER AND NOT DEFINED TOOLCHAIN_FILE)
    message(FATAL_ERROR "RunConsumer.cmake needs -DCXX_COMPILER=... or -DTOOLCHAIN_FILE=...")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
set(build "${WORK_DIR}/build")

function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out
        ERROR_VARIABLE out)
    message("== ${step}\n${out}")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "consumer: ${step} failed (${result})")
    endif()
endfunction()

if(DEFINED TOOLCHAIN_FILE)
    set(compiler "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}")
    string(REPLACE "|" ";" emulator "${EMULATOR}")
    set(suffix .exe)
    set(programs consumer_log consumer_windows)
else()
    set(compiler "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
    set(emulator "")
    set(suffix "")
    set(programs consumer_log consumer_unreferenced consumer_unreferenced_control)
endif()

run("install" "${CMAKE_COMMAND}" --install "${YRAPI_BUILD_DIR}" --prefix "${prefix}")
run("configure" "${CMAKE_COMMAND}" -S "${CONSUMER_SOURCE_DIR}" -B "${build}" -G Ninja
    "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}" "${compiler}"
    "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" "-DCMAKE_PREFIX_PATH=${prefix}")
run("build" "${CMAKE_COMMAND}" --build "${build}")
foreach(program IN LISTS programs)
    run("run ${program}" ${emulator} "${build}/${program}${suffix}")
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
