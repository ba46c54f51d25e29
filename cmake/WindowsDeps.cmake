# The libraries that tools/build-windows-deps.sh cross-builds for Windows
# from Debian's source packages into TAVRO_WINDOWS_DEPS, as INTERFACE
# targets. The prefix's pkg-config files, read with --static, give the
# whole list of libraries of each; each one from the prefix is linked by the
# full path of its archive, so that nothing else can stand in.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)

if(TAVRO_MINGW_TRIPLE STREQUAL "i686-w64-mingw32")
  set(_tavro_deps_script "tools/build-windows-deps.sh windows-i686")
elseif(TAVRO_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
  set(_tavro_deps_script "tools/build-windows-deps.sh windows-x86_64")
else()
  set(_tavro_deps_script "tools/build-windows-deps.sh windows-i686|windows-x86_64")
endif()
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH _tavro_tree)
set(TAVRO_WINDOWS_DEPS ${_tavro_tree}/build/deps/${TAVRO_MINGW_TRIPLE}
    CACHE PATH "Prefix with the static libraries for Windows (tools/build-windows-deps.sh)")
set(_tavro_deps_stamp ${TAVRO_WINDOWS_DEPS}/tavro-deps.stamp)
if(NOT EXISTS ${_tavro_deps_stamp})
  message(FATAL_ERROR
    "TAVRO_WINDOWS_DEPS=${TAVRO_WINDOWS_DEPS} holds no finished build of the libraries for Windows.\n"
    "Run ${_tavro_deps_script} (tools/test-windows.sh runs it before configuring), "
    "or set TAVRO_WINDOWS_DEPS to the prefix that it printed.")
endif()
# A new build of the libraries configures again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tavro_deps_stamp})

# pkg-config --static on the prefix's files alone, never the build machine's.
function(_tavro_windows_pkg_config out module)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
            PKG_CONFIG_LIBDIR=${TAVRO_WINDOWS_DEPS}/lib/pkgconfig
            ${PKG_CONFIG_EXECUTABLE} --static ${ARGN} ${module}
    OUTPUT_VARIABLE text
    ERROR_VARIABLE error
    RESULT_VARIABLE result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config ${ARGN} ${module} failed in ${TAVRO_WINDOWS_DEPS}: ${error}\n"
                        "Run ${_tavro_deps_script} again.")
  endif()
  separate_arguments(text UNIX_COMMAND "${text}")
  set(${out} ${text} PARENT_SCOPE)
endfunction()

# tavro_windows_static_library(TARGET MODULE ARCHIVE): the INTERFACE target
# TARGET for the pkg-config module MODULE of the prefix, whose own archive
# is lib/ARCHIVE there.
function(tavro_windows_static_library target module archive)
  if(NOT EXISTS ${TAVRO_WINDOWS_DEPS}/lib/pkgconfig/${module}.pc)
    message(FATAL_ERROR "${TAVRO_WINDOWS_DEPS} holds no ${module}: run ${_tavro_deps_script} again.")
  endif()
  _tavro_windows_pkg_config(version ${module} --modversion)
  _tavro_windows_pkg_config(includes ${module} --cflags-only-I)
  _tavro_windows_pkg_config(cflags ${module} --cflags-only-other)
  _tavro_windows_pkg_config(libs ${module} --libs-only-l)
  _tavro_windows_pkg_config(ldflags ${module} --libs-only-other)

  list(TRANSFORM includes REPLACE "^-I" "")
  # In pkg-config's order, repeats kept for the linker's single pass; the
  # libraries that are not in the prefix (m, winmm, ole32) come from the
  # toolchain.
  set(libraries)
  foreach(flag IN LISTS libs)
    string(REGEX REPLACE "^-l" "" name ${flag})
    if(EXISTS ${TAVRO_WINDOWS_DEPS}/lib/lib${name}.a)
      list(APPEND libraries ${TAVRO_WINDOWS_DEPS}/lib/lib${name}.a)
    else()
      list(APPEND libraries ${name})
    endif()
  endforeach()
  if(NOT "${TAVRO_WINDOWS_DEPS}/lib/${archive}" IN_LIST libraries)
    message(FATAL_ERROR "${module}.pc in ${TAVRO_WINDOWS_DEPS} names no ${archive} there: "
                        "run ${_tavro_deps_script} again.")
  endif()

  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${includes})
  target_compile_options(${target} INTERFACE ${cflags})
  target_link_libraries(${target} INTERFACE ${libraries})
  target_link_options(${target} INTERFACE ${ldflags})
  message(STATUS "${module} ${version} for Windows, static: ${TAVRO_WINDOWS_DEPS}")
endfunction()
