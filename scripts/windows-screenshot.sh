#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws docs/windows.png: quillon.exe of the Windows build with examples/demo.sdf loaded and its
# scan 3 plotted (Alt+S, 3 typed with xdotool), under wine with its X11 driver, in a wine
# desktop of its own (which draws the window's title bar) on a virtual display (xvfb-run),
# taken with ImageMagick's import and trimmed to the window. Then docs/windows-export.png: the
# export dialog over the window, opened with Alt+E and CSV ticked with Alt+C. Then
# docs/windows-trace.png and docs/windows-map.png: a time series of 3000 scans made by the
# build's quillon_make_sample.exe, three wavelengths typed into the Trace page (Ctrl+Tab,
# Alt+L) and the map of every scan on the Map page (Ctrl+Tab again), the pointer over each.
#
#   scripts/windows-screenshot.sh       (after scripts/build-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath -m "${BUILD_DIR:-build-windows}")
program="$build/src/app/win32/quillon.exe"
[ -f "$program" ] || { echo "$program is missing: run scripts/build-windows.sh" >&2; exit 1; }
for tool in xvfb-run import convert xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (xvfb, imagemagick, xdotool)" >&2; exit 1; }
done

# A prefix of its own that draws on the display (the tests' prefix has no display).
export WINEPREFIX="$build/wine-x11"
export QUILLON_WINE_GRAPHICS=x11
shot=$(mktemp --suffix=.png)
export_shot=$(mktemp --suffix=.png)
xvfb-run -a -s "-screen 0 1700x960x24" bash -c '
    "$1/scripts/wine-run.sh" cmd /c exit
    mkdir -p "$WINEPREFIX/drive_c/data"
    cp "$1/examples/demo.sdf" "$WINEPREFIX/drive_c/data/demo.sdf"
    "$1/scripts/wine-run.sh" explorer /desktop=QUILLON,1680x940 "$2" "C:\\data\\demo.sdf" 2>/dev/null &
    sleep "${QUILLON_SCREENSHOT_WAIT:-15}"
    xdotool search --name QUILLON windowactivate --sync >/dev/null 2>&1 || true
    xdotool key alt+s
    xdotool type 3
    sleep 2
    import -window root "$3"
    xdotool key alt+e
    sleep 3
    xdotool key alt+c
    sleep 1
    import -window root "$4"
    wineserver -k
' screenshot "$root" "$program" "$shot" "$export_shot"
# The wine desktop around the window is one colour: trimming leaves the window.
convert "$shot" -crop 1680x940+0+0 +repage -trim +repage docs/windows.png
convert "$export_shot" -crop 1680x940+0+0 +repage -trim +repage docs/windows-export.png
rm -f "$shot" "$export_shot"
echo "Wrote docs/windows.png and docs/windows-export.png"

sample="$build/tools/quillon_make_sample.exe"
[ -f "$sample" ] || { echo "$sample is missing: run scripts/build-windows.sh" >&2; exit 1; }
trace_shot=$(mktemp --suffix=.png)
map_shot=$(mktemp --suffix=.png)
xvfb-run -a -s "-screen 0 1700x960x24" bash -c '
    "$1/scripts/wine-run.sh" "$3" --time-series "2026-12-07 09:00:00" --step 2 \
        "C:\\data\\kinetics.sdf" 2048 3000
    "$1/scripts/wine-run.sh" explorer /desktop=QUILLON,1680x940 "$2" "C:\\data\\kinetics.sdf" 2>/dev/null &
    sleep "${QUILLON_SCREENSHOT_WAIT:-15}"
    xdotool search --name QUILLON windowactivate --sync >/dev/null 2>&1 || true
    xdotool key ctrl+Tab
    xdotool key alt+l
    for wavelength in 450 560 700; do
        xdotool type "$wavelength"
        xdotool key Return
        sleep 1
    done
    sleep 4
    # The pointer over the middle of the plot, where the readout reads it (the window stands
    # at the top left of the wine desktop).
    xdotool mousemove 1200 380
    sleep 1
    import -window root "$4"
    xdotool key ctrl+Tab
    sleep 2
    xdotool mousemove 1150 330
    sleep 2
    import -window root "$5"
    wineserver -k
' screenshot "$root" "$program" "$sample" "$trace_shot" "$map_shot"
convert "$trace_shot" -crop 1680x940+0+0 +repage -trim +repage docs/windows-trace.png
convert "$map_shot" -crop 1680x940+0+0 +repage -trim +repage docs/windows-map.png
rm -f "$trace_shot" "$map_shot"
echo "Wrote docs/windows-trace.png and docs/windows-map.png"
