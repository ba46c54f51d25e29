# Cross-building for Windows with MinGW-w64. Included by the per-architecture
# toolchain files, which set TAVRO_MINGW_TRIPLE and TAVRO_WINE_LOADER first.
#
# The compilers are the POSIX-threads variants (Debian's
# g++-mingw-w64-*-posix): GCC 12's win32 variant has no std::mutex, which
# GoogleTest needs. The programs link the threads library statically like the
# rest of the runtime, so they still need no DLL beyond the system's.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TAVRO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRO_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's sysroot only; programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their runtime with them: no DLL beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the programs under Wine, started by its loader
# for the target's word size (TAVRO_WINE_LOADER, set by the per-architecture
# file): Debian's plain `wine` starts the 32-bit loader whenever wine32 is
# installed, and that fails on a kernel that runs no 32-bit code, so 64-bit
# programs are started by wine64 itself (on Debian in /usr/lib/wine).
find_program(TAVRO_WINE_PROGRAM NAMES ${TAVRO_WINE_LOADER} PATHS /usr/lib/wine)
if(TAVRO_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRO_WINE_PROGRAM})
endif()
