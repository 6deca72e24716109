# SPDX-License-Identifier: MIT
# Compiler settings every QUILLON target links through `quillon_options`.
#
# -ffp-contract=off keeps the wavelength polynomial bit-exact: no fused multiply-add may merge
# a product and a sum. Nothing here enables -ffast-math or -march=native, for the same reason.
option(QUILLON_WERROR "Treat compiler warnings as errors" OFF)

add_library(quillon_options INTERFACE)
target_compile_options(quillon_options INTERFACE
    -Wall -Wextra -Wpedantic
    -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
    -Wnon-virtual-dtor -Woverloaded-virtual
    -ffp-contract=off)
target_link_libraries(quillon_options INTERFACE quillon_sanitizers)
if(QUILLON_WERROR)
    target_compile_options(quillon_options INTERFACE -Werror)
endif()

# Debug and sanitizer builds check the standard library's preconditions (bounds of operator[],
# front() of an empty container, ...).
if(QUILLON_SANITIZE OR QUILLON_FUZZ)
    target_compile_definitions(quillon_options INTERFACE _GLIBCXX_ASSERTIONS)
else()
    target_compile_definitions(quillon_options INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
endif()

# Release builds carry the hardening Debian's packages use: checked string and memory calls,
# stack protector, read-only relocations bound at start-up, position-independent executables.
# (The Windows build links statically against the mingw runtime, which has its own.)
if(NOT WIN32)
    set(_quillon_hardened $<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>>)
    target_compile_definitions(quillon_options INTERFACE
        $<${_quillon_hardened}:_FORTIFY_SOURCE=2>)
    target_compile_options(quillon_options INTERFACE
        $<${_quillon_hardened}:-fstack-protector-strong>)
    target_link_options(quillon_options INTERFACE $<${_quillon_hardened}:LINKER:-z,relro,-z,now>)
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
