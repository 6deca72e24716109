#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages QUILLON builds, tests and runs with, in one place, and an installer that
# fetches only what is missing. Sourced by test.sh and run.sh.

QUILLON_PACKAGES=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
    libcli11-dev nlohmann-json3-dev libhdf5-dev hdf5-tools python3-h5py locales
    python3-xarray python3-h5netcdf netcdf-bin python3-openpyxl
    qt6-base-dev qt6-qpa-plugins libgl-dev
    qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
    clang clang-format libclang-rt-14-dev libllvmlibc-19-dev
    dpkg-dev file lintian help2man man-db appstream desktop-file-utils shared-mime-info
    libglib2.0-bin
)

# The Windows build and its tests under wine (scripts/build-windows.sh, scripts/test-windows.sh),
# installed only when they run. HDF5 and libxlsxwriter are built for it from Debian's sources
# (scripts/third-party.sh, which needs dpkg-dev) with zlib from libz-mingw-w64-dev.
QUILLON_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 nsis icoutils libgtest-dev libcli11-dev cmake make
    libz-mingw-w64-dev dpkg-dev python3-h5py
)

# Both take a list of packages; without one, QUILLON_PACKAGES.
quillon_missing_packages() {
    local pkg
    local packages=("$@")
    [ ${#packages[@]} -eq 0 ] && packages=("${QUILLON_PACKAGES[@]}")
    for pkg in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            echo "$pkg"
        fi
    done
}

quillon_install_deps() {
    local missing
    missing=$(quillon_missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "Installing missing packages:" $missing
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "These packages are missing and this user cannot install them: $missing" >&2
            return 1
        fi
    fi
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}
