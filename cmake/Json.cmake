# nlohmann-json, header-only (Debian's nlohmann-json3-dev), for the JSON
# Lines of the command line: the target tavro_json. The headers are copied
# into the build tree and used from there, so that a cross build gets them
# without the build machine's /usr/include (which holds that machine's C
# library as well).
include_guard(GLOBAL)
find_path(TAVRO_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT TAVRO_JSON_INCLUDE_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (tools/install-deps.sh)")
endif()
file(COPY ${TAVRO_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/json-include)
add_library(tavro_json INTERFACE)
target_include_directories(tavro_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/json-include)
