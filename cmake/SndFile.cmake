# libsndfile, for the robust decoder's file input: the target tavro_sndfile.
# Natively it comes from Debian's libsndfile1-dev through pkg-config.
#
# Cross-built for Windows it is the static libsndfile, with FLAC, Ogg, Vorbis
# and Opus, that tools/build-windows-deps.sh builds (cmake/WindowsDeps.cmake).
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)

if(NOT (CMAKE_CROSSCOMPILING AND WIN32))
  pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
  add_library(tavro_sndfile INTERFACE)
  target_link_libraries(tavro_sndfile INTERFACE PkgConfig::SNDFILE)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsDeps.cmake)
  tavro_windows_static_library(tavro_sndfile sndfile libsndfile.a)
endif()
