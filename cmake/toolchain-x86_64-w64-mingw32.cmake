# 64-bit Windows programs, built with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TAVRO_MINGW_TRIPLE x86_64-w64-mingw32)
set(TAVRO_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
