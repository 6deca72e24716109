#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds QUILLON (Release) and runs it.
#   ./run.sh                 opens the window
#   ./run.sh FILE... [OPTS]  converts with quillon-convert (see ./run.sh --help)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
quillon_install_deps >&2

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF \
    -DQUILLON_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j2 >/dev/null

cli=build-release/src/cli/quillon-convert
gui=build-release/src/app/quillon
if [ "$#" -gt 0 ]; then
    if [ ! -x "$cli" ]; then
        echo "run.sh: the command-line converter quillon-convert is not built yet." >&2
        exit 1
    fi
    exec "$cli" "$@"
fi
if [ ! -x "$gui" ]; then
    echo "run.sh: the QUILLON window is not built yet; convert with ./run.sh FILE.sdf instead." >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display to open the window on; convert from the command line instead: ./run.sh examples/demo.sdf -p -w" >&2
    exit 1
fi
exec "$gui"
