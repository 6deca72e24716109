# SPDX-License-Identifier: MIT
# quillon_install_gzipped(<file> <destination> [RENAME <name>]): installs <file> compressed as
# <name>.gz, the way Debian wants manual pages and changelogs. gzip -9n stores neither the
# name nor the time, so every build gives the same bytes.
include_guard(GLOBAL)
find_program(QUILLON_GZIP gzip REQUIRED)

function(quillon_install_gzipped source destination)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "RENAME" "")
    get_filename_component(name "${source}" NAME)
    if(arg_RENAME)
        set(name "${arg_RENAME}")
    endif()
    set(output "${CMAKE_CURRENT_BINARY_DIR}/gz/${name}.gz")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/gz"
        COMMAND ${QUILLON_GZIP} -9nc "${source}" > "${output}"
        DEPENDS "${source}"
        COMMENT "Compressing ${name}"
        VERBATIM)
    string(MAKE_C_IDENTIFIER "gzip_${destination}_${name}" target)
    add_custom_target(${target} ALL DEPENDS "${output}")
    install(FILES "${output}" DESTINATION "${destination}")
endfunction()
