# GoogleTest's CMake module for the Windows cross build: the real module,
# with gtest_discover_tests registering each program as one test that runs
# under the emulator (see cmake/WindowsTests.cmake for why).
include(${CMAKE_ROOT}/Modules/GoogleTest.cmake)

function(gtest_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_PRETTY_TYPES;NO_PRETTY_VALUES"
    "TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;DISCOVERY_TIMEOUT;DISCOVERY_MODE;TEST_LIST;XML_OUTPUT_DIR"
    "EXTRA_ARGS;PROPERTIES")
  set(name ${arg_TEST_PREFIX}${target}${arg_TEST_SUFFIX})
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${target} ${arg_EXTRA_ARGS}
           WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    TIMEOUT 300
    ${arg_PROPERTIES})
endfunction()
