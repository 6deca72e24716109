#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds QUILLON for 64-bit Windows on this Linux machine and makes its packages:
#
#   scripts/build-windows.sh      ->  build-windows/QUILLON-<version>-win64.zip
#                                     build-windows/QUILLON-<version>-win64.exe (installer)
#
# Installs what the cross build needs when it is missing (scripts/deps.sh), configures
# build-windows/ with the mingw-w64 toolchain (cmake/toolchain-mingw64.cmake), builds
# quillon.exe, quillon-convert.exe and the tests, and runs CPack. BUILD_DIR names another
# folder; QUILLON_BUILD_TESTS=OFF leaves the tests out (they are listed under wine). HDF5 is
# built for Windows from Debian's sources on the first configure and then taken from a cache
# (scripts/third-party.sh says where and how long it took); QUILLON_WITH_HDF5=OFF goes without.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillon_install_deps "${QUILLON_WINDOWS_PACKAGES[@]}"

build=${BUILD_DIR:-build-windows}
cmake -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
    -DCMAKE_BUILD_TYPE=Release \
    -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_BENCH=OFF \
    -DQUILLON_BUILD_TESTS="${QUILLON_BUILD_TESTS:-ON}" \
    -DQUILLON_WITH_HDF5="${QUILLON_WITH_HDF5:-ON}" \
    -DQUILLON_WERROR=ON
cmake --build "$build" -j2
(cd "$build" && cpack -C Release)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
for package in "$build/QUILLON-$version-win64.zip" "$build/QUILLON-$version-win64.exe"; do
    [ -f "$package" ] || { echo "$package was not made" >&2; exit 1; }
    echo "Made $package"
done
