# RunConsumer.cmake - installs the built library into a fresh prefix, then configures, builds
# and runs the outside project in project/ against it, as a user of the package would.
#   cmake -DYRAPI_BUILD_DIR=... -DCONSUMER_SOURCE_DIR=... -DWORK_DIR=... -DCXX_COMPILER=...
#         -DMAKE_PROGRAM=... -DBUILD_TYPE=... -P RunConsumer.cmake
foreach(var YRAPI_BUILD_DIR CONSUMER_SOURCE_DIR WORK_DIR CXX_COMPILER MAKE_PROGRAM)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunConsumer.cmake needs -D${var}=...")
    endif()
endforeach()

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

run("install" "${CMAKE_COMMAND}" --install "${YRAPI_BUILD_DIR}" --prefix "${prefix}")
run("configure" "${CMAKE_COMMAND}" -S "${CONSUMER_SOURCE_DIR}" -B "${build}" -G Ninja
    "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}" "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
    "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" "-DCMAKE_PREFIX_PATH=${prefix}")
run("build" "${CMAKE_COMMAND}" --build "${build}")
run("run consumer_log" "${build}/consumer_log")
run("run consumer_unreferenced" "${build}/consumer_unreferenced")
run("run consumer_unreferenced_control" "${build}/consumer_unreferenced_control")
file(REMOVE_RECURSE "${WORK_DIR}")
