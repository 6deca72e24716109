#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program of the cross build under wine:  scripts/wine-run.sh PROGRAM.exe ARGS...
#
# The wine prefix is the build's own (WINEPREFIX, by default the folder `wine` beside the
# program's build tree, found from the program's path) and is made on first use, with the
# null graphics driver so that windows need no display (QUILLON_WINE_GRAPHICS=x11 for a
# prefix that shows them).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
    exit 2
fi

if [ -z "${WINEPREFIX:-}" ]; then
    # The build tree is the nearest folder above the program that holds CMakeCache.txt.
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do
        dir=$(dirname "$dir")
    done
    [ "$dir" = / ] && dir=$(cd "$(dirname "$1")" && pwd)
    export WINEPREFIX="$dir/wine"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing here needs .NET or HTML, and their installers would ask.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

wine_bin=$(command -v wine64 || command -v wine || true)
if [ -z "$wine_bin" ] && [ -x /usr/lib/wine/wine64 ]; then
    wine_bin=/usr/lib/wine/wine64
fi
if [ -z "$wine_bin" ]; then
    echo "$0: wine is not installed (Debian: wine, wine64)" >&2
    exit 127
fi
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# The prefix is made once, under a lock, since tests start in parallel.
if [ ! -f "$WINEPREFIX/.quillon-ready" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.quillon-ready" ]; then
            "$wine_bin" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
            "$wine_bin" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d \
                "${QUILLON_WINE_GRAPHICS:-null}" /f </dev/null >/dev/null 2>&1 9>&-
            "$server" -w 9>&-
            touch "$WINEPREFIX/.quillon-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi

# A server that outlives each program by a minute, so that a run of many programs (a test
# suite) starts wine once; starting it fails quietly when one is running already.
"$server" -p60 </dev/null >/dev/null 2>&1 || true

if [ -t 1 ]; then
    exec "$wine_bin" "$@"
fi
# Wine starts background processes (services, the desktop) from the first program that needs
# them, and they inherit its output. A caller that reads the output until its end (CTest) would
# wait for them as well: the program writes to files instead, which are passed on when it ends.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# A program that fails without printing anything was not started (a wine server ending just as
# it started, seen once in a whole run of the suite): it is started again, up to twice. Every
# program here prints why it fails, so no failure of its own is hidden.
for attempt in 1 2 3; do
    status=0
    "$wine_bin" "$@" >"$out" 2>"$err" || status=$?
    if [ "$status" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ]; then
        break
    fi
    echo "wine-run.sh: $1 ended with status $status and printed nothing (attempt $attempt)" >&2
    "$server" -p60 </dev/null >/dev/null 2>&1 || true
done
cat "$out"
cat "$err" >&2
exit "$status"
