# PortAudio, for capture from a sound card: the target tavro_portaudio.
# Natively it comes from Debian's portaudio19-dev through pkg-config.
#
# Cross-built for Windows it is the static PortAudio with its WASAPI and MME
# host APIs that tools/build-windows-deps.sh builds (cmake/WindowsDeps.cmake).
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)

if(NOT (CMAKE_CROSSCOMPILING AND WIN32))
  pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET portaudio-2.0)
  add_library(tavro_portaudio INTERFACE)
  target_link_libraries(tavro_portaudio INTERFACE PkgConfig::PORTAUDIO)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsDeps.cmake)
  tavro_windows_static_library(tavro_portaudio portaudio-2.0 libportaudio.a)
endif()
