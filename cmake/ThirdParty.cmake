# SPDX-License-Identifier: MIT
# The C libraries built from Debian's source packages by scripts/third-party.sh, for the system
# this build is for (mingw64 for the Windows cross build, linux otherwise), once per machine:
#
#   quillon_third_party(libxlsxwriter prefix)   # prefix: the folder it is installed in
#
# The first configure on a machine builds them (the script says how long it took); later ones
# find them in the cache (QUILLON_DEPS_CACHE, by default ~/.cache/quillon).
function(quillon_third_party name out_var)
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        set(target mingw64)
    elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
        set(target linux)
    else()
        message(FATAL_ERROR "${name} is built from Debian's sources for Linux and Windows only")
    endif()
    execute_process(
        COMMAND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../scripts/third-party.sh ${name} ${target}
        OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT IS_DIRECTORY "${prefix}")
        message(FATAL_ERROR "scripts/third-party.sh ${name} ${target} failed")
    endif()
    set(${out_var} ${prefix} PARENT_SCOPE)
endfunction()
