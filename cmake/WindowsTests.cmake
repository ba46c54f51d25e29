# Test support for the Windows cross build, included before tests/.
#
# GoogleTest is built here from Debian's source package for the target, with
# the same GTest::gtest and GTest::gtest_main targets that find_package gives
# a native build.
#
# Test registration: a GoogleTest program under Wine is run once as a whole,
# one CTest test per program, instead of being asked for its list of tests
# at build time and started once per test. That is much quicker under Wine,
# and a program that runs nothing at all (a 32-bit program on a Wine without
# 32-bit support exits 0 without output) fails instead of passing unseen: the
# test passes only when the program reports its tests as passed.
set(TAVRO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
if(NOT EXISTS ${TAVRO_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${TAVRO_GTEST_SOURCE_DIR} (install googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${TAVRO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# include(GoogleTest) finds the wrapper in cmake/windows first.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/windows)
