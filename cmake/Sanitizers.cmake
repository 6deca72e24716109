# AddressSanitizer and UndefinedBehaviorSanitizer, switched on with QUILLON_SANITIZE=ON.
# Any report stops the program, so a test that triggers one fails.
add_library(quillon_sanitizers INTERFACE)
if(QUILLON_SANITIZE)
    set(_quillon_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(quillon_sanitizers INTERFACE ${_quillon_san})
    target_link_options(quillon_sanitizers INTERFACE ${_quillon_san})
endif()
