# Per-target build settings shared by every target of the project: warnings and sanitizers.

# yrapi_set_warnings(<target>): -Wall -Wextra, as errors when YRAPI_WERROR is on.
function(yrapi_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
        $<$<BOOL:${YRAPI_WERROR}>:-Werror>)
endfunction()

# yrapi_enable_sanitizers(<target>): instruments the target for the sanitizer chosen with
# YRAPI_SANITIZE. ASan and TSan cannot share a process, so they are separate builds.
function(yrapi_enable_sanitizers target)
    if(YRAPI_SANITIZE STREQUAL "address")
        set(flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    elseif(YRAPI_SANITIZE STREQUAL "thread")
        set(flags -fsanitize=thread -fno-omit-frame-pointer)
    elseif(YRAPI_SANITIZE STREQUAL "")
        return()
    else()
        message(FATAL_ERROR "YRAPI_SANITIZE must be empty, 'address' or 'thread'")
    endif()
    target_compile_options(${target} PRIVATE ${flags})
    target_link_options(${target} PRIVATE ${flags})
endfunction()

# yrapi_target_defaults(<target>): everything above, for one of the project's own targets.
function(yrapi_target_defaults target)
    yrapi_set_warnings(${target})
    yrapi_enable_sanitizers(${target})
endfunction()
