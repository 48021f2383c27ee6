# x86_64-w64-mingw32.cmake - cross toolchain for 64-bit Windows (the `mingw` preset).
set(YRAPI_MINGW_TRIPLET x86_64-w64-mingw32)
set(YRAPI_MINGW_ARCH AMD64)
set(YRAPI_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
