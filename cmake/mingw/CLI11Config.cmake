# SPDX-License-Identifier: MIT
# CLI11 for the mingw cross build: an imported target over Debian's CLI11 headers. The headers
# are reached through a folder of the build's own that holds only CLI/, because adding
# /usr/include itself would put the build machine's C library before mingw's.
find_path(QUILLON_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH)
if(NOT QUILLON_CLI11_HEADERS)
    set(CLI11_FOUND FALSE)
    set(CLI11_NOT_FOUND_MESSAGE "CLI/CLI.hpp not found in /usr/include (Debian: libcli11-dev)")
    return()
endif()
set(_quillon_cli11 ${CMAKE_BINARY_DIR}/cli11-include)
file(MAKE_DIRECTORY ${_quillon_cli11})
file(CREATE_LINK ${QUILLON_CLI11_HEADERS}/CLI ${_quillon_cli11}/CLI SYMBOLIC)
if(NOT TARGET CLI11::CLI11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_quillon_cli11})
endif()
set(CLI11_FOUND TRUE)
