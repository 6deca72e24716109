# Compiler settings every QUILLON target links through `quillon_options`.
#
# -ffp-contract=off keeps the wavelength polynomial bit-exact: no fused multiply-add may merge
# a product and a sum. Nothing here enables -ffast-math or -march=native, for the same reason.
add_library(quillon_options INTERFACE)
target_compile_options(quillon_options INTERFACE
    -Wall -Wextra -Wpedantic -Werror
    -ffp-contract=off)
target_link_libraries(quillon_options INTERFACE quillon_sanitizers)
