# libsndfile, for the robust decoder's file input: the target tavro_sndfile.
# Natively it comes from Debian's libsndfile1-dev through pkg-config.
#
# Cross-built for Windows it is the static libsndfile, with FLAC, Ogg, Vorbis
# and Opus, that tools/build-windows-deps.sh builds from Debian's source
# packages into TAVRO_WINDOWS_DEPS. The prefix's pkg-config files, read with
# --static, give the whole list of libraries; each one from the prefix is
# linked by the full path of its archive, so that nothing else can stand in.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)

if(NOT (CMAKE_CROSSCOMPILING AND WIN32))
  pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
  add_library(tavro_sndfile INTERFACE)
  target_link_libraries(tavro_sndfile INTERFACE PkgConfig::SNDFILE)
else()
  if(TAVRO_MINGW_TRIPLE STREQUAL "i686-w64-mingw32")
    set(_tavro_deps_script "tools/build-windows-deps.sh windows-i686")
  elseif(TAVRO_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
    set(_tavro_deps_script "tools/build-windows-deps.sh windows-x86_64")
  else()
    set(_tavro_deps_script "tools/build-windows-deps.sh windows-i686|windows-x86_64")
  endif()
  cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH _tavro_tree)
  set(TAVRO_WINDOWS_DEPS ${_tavro_tree}/build/deps/${TAVRO_MINGW_TRIPLE}
      CACHE PATH "Prefix with the static libsndfile for Windows (tools/build-windows-deps.sh)")
  set(_tavro_deps_stamp ${TAVRO_WINDOWS_DEPS}/tavro-deps.stamp)
  if(NOT EXISTS ${_tavro_deps_stamp} OR NOT EXISTS ${TAVRO_WINDOWS_DEPS}/lib/pkgconfig/sndfile.pc)
    message(FATAL_ERROR
      "TAVRO_WINDOWS_DEPS=${TAVRO_WINDOWS_DEPS} holds no finished build of libsndfile for Windows.\n"
      "Run ${_tavro_deps_script} (tools/test-windows.sh runs it before configuring), "
      "or set TAVRO_WINDOWS_DEPS to the prefix that it printed.")
  endif()
  # A new build of the libraries configures again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tavro_deps_stamp})

  # pkg-config --static on the prefix's files alone, never the build machine's.
  function(_tavro_sndfile_pkg_config out)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
              PKG_CONFIG_LIBDIR=${TAVRO_WINDOWS_DEPS}/lib/pkgconfig
              ${PKG_CONFIG_EXECUTABLE} --static ${ARGN} sndfile
      OUTPUT_VARIABLE text
      ERROR_VARIABLE error
      RESULT_VARIABLE result
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "pkg-config ${ARGN} sndfile failed in ${TAVRO_WINDOWS_DEPS}: ${error}\n"
                          "Run ${_tavro_deps_script} again.")
    endif()
    separate_arguments(text UNIX_COMMAND "${text}")
    set(${out} ${text} PARENT_SCOPE)
  endfunction()
  _tavro_sndfile_pkg_config(_tavro_sndfile_version --modversion)
  _tavro_sndfile_pkg_config(_tavro_sndfile_includes --cflags-only-I)
  _tavro_sndfile_pkg_config(_tavro_sndfile_cflags --cflags-only-other)
  _tavro_sndfile_pkg_config(_tavro_sndfile_libs --libs-only-l)
  _tavro_sndfile_pkg_config(_tavro_sndfile_ldflags --libs-only-other)

  list(TRANSFORM _tavro_sndfile_includes REPLACE "^-I" "")
  # In pkg-config's order, repeats kept for the linker's single pass; the
  # libraries that are not in the prefix (m) come from the toolchain.
  set(_tavro_sndfile_libraries)
  foreach(_tavro_flag IN LISTS _tavro_sndfile_libs)
    string(REGEX REPLACE "^-l" "" _tavro_name ${_tavro_flag})
    if(EXISTS ${TAVRO_WINDOWS_DEPS}/lib/lib${_tavro_name}.a)
      list(APPEND _tavro_sndfile_libraries ${TAVRO_WINDOWS_DEPS}/lib/lib${_tavro_name}.a)
    else()
      list(APPEND _tavro_sndfile_libraries ${_tavro_name})
    endif()
  endforeach()
  if(NOT "${TAVRO_WINDOWS_DEPS}/lib/libsndfile.a" IN_LIST _tavro_sndfile_libraries)
    message(FATAL_ERROR "sndfile.pc in ${TAVRO_WINDOWS_DEPS} names no libsndfile.a there: "
                        "run ${_tavro_deps_script} again.")
  endif()

  add_library(tavro_sndfile INTERFACE)
  target_include_directories(tavro_sndfile SYSTEM INTERFACE ${_tavro_sndfile_includes})
  target_compile_options(tavro_sndfile INTERFACE ${_tavro_sndfile_cflags})
  target_link_libraries(tavro_sndfile INTERFACE ${_tavro_sndfile_libraries})
  target_link_options(tavro_sndfile INTERFACE ${_tavro_sndfile_ldflags})
  message(STATUS "libsndfile ${_tavro_sndfile_version} for Windows, static: ${TAVRO_WINDOWS_DEPS}")
endif()
