#!/usr/bin/env bash
# Installs what is missing, builds QUILLON and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
quillon_install_deps

export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT=60000

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
