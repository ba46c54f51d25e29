# 32-bit Windows programs, built with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TAVRO_MINGW_TRIPLE i686-w64-mingw32)
set(TAVRO_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
