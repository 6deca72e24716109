#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows stage of ./test.sh: builds QUILLON with mingw-w64 (scripts/build-windows.sh),
# runs every test under wine, then checks the packages: the zip holds both programs, the
# README and the licence; the installer installs silently, the installed converter writes the
# same bytes as the Linux build for examples/demo.sdf in every layout and mode and in its CSV,
# JSON and HDF5 exports, .sdf files are given to QUILLON for the installing user, and the
# uninstaller takes everything away again.
#
# The Linux converter compared with is build/src/cli/quillon-convert (stage 1 of ./test.sh) or
# QUILLON_LINUX_CONVERT; without one, the build tree's own quillon-convert.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath -m "${BUILD_DIR:-build-windows}")

BUILD_DIR="$build" scripts/build-windows.sh
echo "== Built in ${SECONDS} s"

export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
run() { "$root/scripts/wine-run.sh" "$@"; }
fail() { echo "test-windows.sh: $*" >&2; exit 1; }
# The wine server of this prefix is ours: it goes when the stage ends, however it ends.
trap 'wineserver -k 2>/dev/null || true' EXIT

started=$SECONDS
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
echo "== Tests under wine: $((SECONDS - started)) s"
started=$SECONDS

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip="$build/QUILLON-$version-win64.zip"
installer="$build/QUILLON-$version-win64.exe"

echo "== The zip"
listing=$(cmake -E tar tf "$zip")
for name in quillon.exe quillon-convert.exe README.md LICENSE.txt; do
    grep -qx "QUILLON-$version-win64/$name" <<<"$listing" || fail "$zip lacks $name"
done

echo "== Silent install, conversion, silent uninstall"
target='C:\quillon-package-test'
unix_target="$WINEPREFIX/drive_c/quillon-package-test"
rm -rf "$unix_target"
run "$installer" /S "/D=$target"
for name in quillon.exe quillon-convert.exe README.md LICENSE.txt Uninstall.exe; do
    [ -f "$unix_target/$name" ] || fail "the installer did not install $name"
done
shortcut=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/QUILLON/QUILLON.lnk' | head -1)
[ -n "$shortcut" ] || fail "the installer made no Start-menu shortcut"
# The installer lists QUILLON for the machine when it runs as an administrator (as under wine),
# else for the user; .sdf files are given to QUILLON for the installing user either way.
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\QUILLON'
run reg query "HKLM\\$uninstall_key" >/dev/null 2>&1 ||
    run reg query "HKCU\\$uninstall_key" >/dev/null ||
    fail "the installer did not list QUILLON for uninstalling"
type_key='HKCU\Software\Classes\QUILLON.ScanDataFile'
run reg query 'HKCU\Software\Classes\.sdf' /ve | grep -q QUILLON.ScanDataFile ||
    fail ".sdf files are not given to QUILLON"
run reg query 'HKCU\Software\Classes\.sdf\OpenWithProgids' /v QUILLON.ScanDataFile >/dev/null ||
    fail "QUILLON is not offered to open .sdf files"
run reg query "$type_key" /ve | grep -q 'QUILLON scan data file' ||
    fail "the file type is not named \"QUILLON scan data file\""
run reg query "$type_key\\DefaultIcon" /ve | grep -qF 'quillon-package-test\quillon.exe,0' ||
    fail "the file type's icon is not QUILLON's"
run reg query "$type_key\\shell\\open\\command" /ve |
    grep -qF 'quillon-package-test\quillon.exe" "%1"' || fail "the open command is not QUILLON's"
if run reg query 'HKLM\Software\Classes\QUILLON.ScanDataFile' >/dev/null 2>&1; then
    fail "the installer gave .sdf files to QUILLON for every user"
fi

linux=${QUILLON_LINUX_CONVERT:-$root/build/src/cli/quillon-convert}
reference="the Linux build ($linux)"
if [ ! -x "$linux" ]; then
    linux=""
    reference="the build tree's quillon-convert.exe"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
compared=0
# Converts examples/demo.sdf with OPTIONS by the installed converter and by the reference, each
# in a folder of its own, and compares every file written:  compare NAME OPTIONS...
compare() {
    local name=$1 side dir
    shift
    for side in windows reference; do
        dir="$work/$name/$side"
        mkdir -p "$dir"
        cp examples/demo.sdf "$dir/demo.sdf"
        if [ "$side" = windows ]; then
            (cd "$dir" && run "$target\\quillon-convert.exe" -q "$@" demo.sdf)
        elif [ -n "$linux" ]; then
            (cd "$dir" && "$linux" -q "$@" demo.sdf)
        else
            (cd "$dir" && run "$build/src/cli/quillon-convert.exe" -q "$@" demo.sdf)
        fi
        rm "$dir/demo.sdf"
    done
    [ -n "$(ls -A "$work/$name/windows")" ] || fail "the installed converter wrote nothing: $name"
    diff -r "$work/$name/windows" "$work/$name/reference" >/dev/null ||
        fail "the installed converter differs from $reference: $name"
    compared=$((compared + $(find "$work/$name/windows" -type f | wc -l)))
}
for mode in multiple one-file selection; do
    for layout in "" "-p" "-w" "-p -w"; do
        case $mode in
            multiple) options=() ;;
            one-file) options=(--one-file --overwrite) ;;
            selection) options=(-s 1,3-4) ;;
        esac
        # shellcheck disable=SC2206
        options+=($layout)
        compare "$mode${layout// /}" "${options[@]}"
    done
done
echo "The installed converter wrote $compared text files in 12 layouts and modes, byte for" \
    "byte those of $reference."
compared=0
compare csv --format csv
compare csv-rows --format csv --layout rows --decimal-comma --bom
compare csv-absorbance-grid --format csv --quantity absorbance --grid 200:2.5:1095
compare json --format json
compare hdf5 --format hdf5
compare hdf5-compress --format hdf5 --compress
compare hdf5-transmittance-grid --format hdf5 --compress --quantity transmittance \
    --grid 200:2.5:1095 -s 2-4
# The workbook's numbers are written by libxlsxwriter's own shortest-number code, not the C
# library's.
compare xlsx --format xlsx
compare xlsx-absorbance-grid --format xlsx --quantity absorbance --grid 200:2.5:1095 -s 2-4
echo "The installed converter wrote $compared CSV, JSON, HDF5 and workbook files, byte for byte" \
    "those of $reference:"
(cd "$work" && md5sum -- csv*/windows/* json/windows/* hdf5*/windows/* xlsx*/windows/* |
    sed 's|/windows/|: |')

# The workbook in a folder whose name is not ASCII, which libxlsxwriter's own file opening
# must be given in a form it can open on Windows.
mkdir -p "$work/Wärme Ω"
cp examples/demo.sdf "$work/Wärme Ω/demo.sdf"
(cd "$work/Wärme Ω" && run "$target\\quillon-convert.exe" -q --format xlsx demo.sdf)
cmp "$work/Wärme Ω/demo.xlsx" "$work/xlsx/windows/demo.xlsx" ||
    fail "the workbook written into a folder named beyond ASCII differs"

run "$target\\Uninstall.exe" /S "_?=$target"
for name in quillon.exe quillon-convert.exe README.md LICENSE.txt; do
    [ ! -e "$unix_target/$name" ] || fail "the uninstaller left $name"
done
if run reg query "$type_key" >/dev/null 2>&1; then
    fail "the uninstaller left QUILLON's file type"
fi
if run reg query 'HKCU\Software\Classes\.sdf' /ve 2>/dev/null | grep -q QUILLON; then
    fail "the uninstaller left .sdf files given to QUILLON"
fi
if run reg query "HKLM\\$uninstall_key" >/dev/null 2>&1 ||
    run reg query "HKCU\\$uninstall_key" >/dev/null 2>&1; then
    fail "the uninstaller left QUILLON in the list of installed programs"
fi
rm -rf "$unix_target"
echo "== Packages checked in $((SECONDS - started)) s"
echo "The Windows stage passed in ${SECONDS} s."
