# SPDX-License-Identifier: MIT
# AddressSanitizer and UndefinedBehaviorSanitizer, switched on with QUILLON_SANITIZE=ON.
# Any report stops the program, so a test that triggers one fails.
add_library(quillon_sanitizers INTERFACE)
if(QUILLON_SANITIZE)
    set(_quillon_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(quillon_sanitizers INTERFACE ${_quillon_san})
    target_link_options(quillon_sanitizers INTERFACE ${_quillon_san})
endif()

# Fuzzing: the whole core is instrumented for coverage and checked by both sanitizers; the fuzz
# targets add libFuzzer's main when they link.
if(QUILLON_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "QUILLON_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
    endif()
    # Long campaigns may leave AddressSanitizer out for speed and replay their corpus under it.
    option(QUILLON_FUZZ_ADDRESS "Fuzz with AddressSanitizer as well as UBSan" ON)
    set(_quillon_fuzz_san undefined)
    if(QUILLON_FUZZ_ADDRESS)
        set(_quillon_fuzz_san address,undefined)
    endif()
    set(_quillon_fuzz -fsanitize=fuzzer-no-link,${_quillon_fuzz_san} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
    target_compile_options(quillon_sanitizers INTERFACE ${_quillon_fuzz})
    target_link_options(quillon_sanitizers INTERFACE ${_quillon_fuzz})
endif()
