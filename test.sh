#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds QUILLON and runs every test. Exits non-zero on any failure.
#
#   0. the sources are formatted as .clang-format says, and git tracks no build output and no
#      file named like an option (scripts/check-tree.sh);
#   1. the normal build (build/), warnings as errors, and its whole test suite;
#   2. the Debian package made from build/ and checked (scripts/check-package.sh);
#   3. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
#      without the long random printf comparisons (label "random");
#   4. each fuzz target for a short time, when clang is available (build-fuzz/);
#   5. the Windows build with mingw-w64, its tests under wine and its packages
#      (scripts/test-windows.sh, build-windows/).
#
# QUILLON_TEST_QUICK=1 runs stage 1 only; QUILLON_FUZZ_SECONDS sets the fuzzing time per target;
# QUILLON_WINDOWS=0 leaves stage 5 out.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
quillon_install_deps

export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT=60000
# Any sanitizer report fails the test that triggered it.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

stage() { printf '\n==== %s\n' "$*"; }

stage "Check the formatting"
scripts/check-format.sh
scripts/spdx.sh --check
scripts/check-tree.sh

stage "Build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=ON -DQUILLON_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

if [ "${QUILLON_TEST_QUICK:-0}" = 1 ]; then
    exit 0
fi

stage "Debian package: build, lintian, validators, packaged converter, manual pages"
scripts/check-package.sh build

stage "Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_BENCH=OFF \
    -DQUILLON_WERROR=ON
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2 -LE random

if command -v clang++ >/dev/null 2>&1; then
    stage "Fuzz each target for ${QUILLON_FUZZ_SECONDS:-20} seconds"
    cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLON_FUZZ=ON -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_GUI=OFF \
        -DQUILLON_BUILD_BENCH=OFF -DQUILLON_FUZZ_SECONDS="${QUILLON_FUZZ_SECONDS:-20}"
    cmake --build build-fuzz -j2
    ctest --test-dir build-fuzz --output-on-failure
else
    stage "clang++ not found: fuzz targets skipped"
fi

if [ "${QUILLON_WINDOWS:-1}" = 0 ]; then
    stage "Windows stage left out (QUILLON_WINDOWS=0)"
else
    stage "Windows: mingw-w64 build, tests under wine, zip and installer"
    QUILLON_LINUX_CONVERT="$PWD/build/src/cli/quillon-convert" scripts/test-windows.sh
fi
