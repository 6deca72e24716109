#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine:  scripts/wine-run.sh PROGRAM.exe ARGS...
#
# The wine prefix is the build's own (WINEPREFIX, by default the folder `wine` beside the
# program's build tree, found from the program's path) and is made on first use, with the
# null graphics driver so that windows need no display. A wine server that stays a while is
# started first, so that no test's output is held open by wine's background processes.
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

# A server that outlives each program by a minute. When this starts it (rather than finding it
# running), wine's background processes are started too, with no output of ours to hold open:
# otherwise they would keep the caller waiting for this program's output until they end. Under
# a lock, so that a program started alongside waits until they run.
(
    flock 8
    # The lock's descriptor is not handed on: a server holding it would hold the lock.
    if "$server" -p60 </dev/null >/dev/null 2>&1 8>&-; then
        "$wine_bin" wineboot </dev/null >/dev/null 2>&1 8>&- || true
    fi
) 8>"$WINEPREFIX.server-lock"

exec "$wine_bin" "$@"
