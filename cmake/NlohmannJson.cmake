# SPDX-License-Identifier: MIT
# nlohmann-json (header-only), for the JSON export and its tests: Debian's CMake package, or in
# a cross build, which finds no package of the build machine's, the same headers through an
# imported target. They are reached through a folder of the build's own that holds only
# nlohmann/, because adding /usr/include itself would put the build machine's C library first.
find_package(nlohmann_json 3 CONFIG QUIET)
if(NOT nlohmann_json_FOUND)
    find_path(QUILLON_NLOHMANN_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include
              NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
    if(NOT QUILLON_NLOHMANN_JSON_HEADERS)
        message(FATAL_ERROR "nlohmann/json.hpp not found (Debian: nlohmann-json3-dev)")
    endif()
    set(_quillon_json ${CMAKE_BINARY_DIR}/nlohmann-json-include)
    file(MAKE_DIRECTORY ${_quillon_json})
    file(CREATE_LINK ${QUILLON_NLOHMANN_JSON_HEADERS}/nlohmann ${_quillon_json}/nlohmann SYMBOLIC)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${_quillon_json})
endif()
