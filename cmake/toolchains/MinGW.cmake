# MinGW.cmake - shared part of the MinGW-w64 cross toolchains (Debian's g++-mingw-w64-*-posix).
# The including file sets YRAPI_MINGW_TRIPLET (x86_64-w64-mingw32 or i686-w64-mingw32) and
# YRAPI_WINE_NAMES, the Wine loaders that can run that target's programs, best first.
#
# Programs are linked fully static (libgcc, libstdc++, winpthreads), so they run under Wine, or
# on a Windows machine, without any DLL of the toolchain beside them. Tests run under Wine
# with a private prefix in the build folder (created on the first run), so they never touch
# the user's ~/.wine. Without a matching Wine the programs are built but cannot be run here.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${YRAPI_MINGW_ARCH})

# The posix flavour of the compilers: its libstdc++ has std::thread and std::mutex.
set(CMAKE_C_COMPILER ${YRAPI_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${YRAPI_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${YRAPI_MINGW_TRIPLET}-windres)

# Headers, libraries and packages come from the target's trees only; programs (Wine, Python)
# from the host. The target's trees are the toolchain's own and the prefixes a project names in
# CMAKE_PREFIX_PATH (where it installed what it builds on, this library among them): a package
# installed there is a target package, and is found there as on a native build. The host's own
# prefixes stay out, so that no Linux package (GoogleTest, say) is taken for a Windows one.
set(CMAKE_FIND_ROOT_PATH /usr/${YRAPI_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
if(DEFINED ENV{CMAKE_PREFIX_PATH})
    string(REPLACE ":" ";" yrapi_env_prefixes "$ENV{CMAKE_PREFIX_PATH}")
    list(APPEND CMAKE_FIND_ROOT_PATH ${yrapi_env_prefixes})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine: Debian's wine64 package installs the 64-bit loader as /usr/lib/wine/wine64 and the
# i386 wine32 package the 32-bit one as /usr/lib/wine/wine; a Wine built from source or another
# distribution's package may put either on PATH. YRAPI_WINE overrides the search.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(YRAPI_WINE NAMES ${YRAPI_WINE_NAMES} PATHS /usr/lib/wine NO_DEFAULT_PATH)
    find_program(YRAPI_WINE NAMES ${YRAPI_WINE_NAMES})
    if(YRAPI_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR
            "/bin/sh;${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix;${YRAPI_WINE}")
    endif()
endif()
