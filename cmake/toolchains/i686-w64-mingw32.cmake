# i686-w64-mingw32.cmake - cross toolchain for 32-bit Windows (the `mingw32` preset). Its
# programs need the 32-bit Wine loader (Debian: the wine32 package for the i386 architecture).
set(YRAPI_MINGW_TRIPLET i686-w64-mingw32)
set(YRAPI_MINGW_ARCH X86)
set(YRAPI_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
