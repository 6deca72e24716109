#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows stage of ./test.sh: builds QUILLON with mingw-w64 (scripts/build-windows.sh),
# runs every test under wine, then checks the packages: the zip holds both programs, the
# README and the licence; the installer installs silently, the installed converter writes the
# same bytes as the Linux build for examples/demo.sdf in every layout and mode, .sdf files are
# given to QUILLON, and the uninstaller takes everything away again. The workbook and HDF5
# exports are compared with the Linux build's as well.
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
run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QUILLON' >/dev/null ||
    fail "the installer did not list QUILLON for uninstalling"
run reg query 'HKLM\Software\Classes\.sdf' /ve | grep -q QUILLON.ScanDataFile ||
    fail ".sdf files are not given to QUILLON"
run reg query 'HKLM\Software\Classes\QUILLON.ScanDataFile\shell\open\command' /ve |
    grep -qF 'quillon-package-test\quillon.exe" "%1"' || fail "the open command is not QUILLON's"

linux=${QUILLON_LINUX_CONVERT:-$root/build/src/cli/quillon-convert}
reference="the Linux build ($linux)"
if [ ! -x "$linux" ]; then
    linux=""
    reference="the build tree's quillon-convert.exe"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
compared=0
for mode in multiple one-file selection; do
    for layout in "" "-p" "-w" "-p -w"; do
        case $mode in
            multiple) options=(-q) ;;
            one-file) options=(-q --one-file --overwrite) ;;
            selection) options=(-q -s 1,3-4) ;;
        esac
        # shellcheck disable=SC2206
        options+=($layout)
        for side in windows reference; do
            dir="$work/$mode${layout// /}/$side"
            mkdir -p "$dir"
            cp examples/demo.sdf "$dir/demo.sdf"
            if [ "$side" = windows ]; then
                (cd "$dir" && run "$target\\quillon-convert.exe" "${options[@]}" demo.sdf)
            elif [ -n "$linux" ]; then
                (cd "$dir" && "$linux" "${options[@]}" demo.sdf)
            else
                (cd "$dir" && run "$build/src/cli/quillon-convert.exe" "${options[@]}" demo.sdf)
            fi
            rm "$dir/demo.sdf"
        done
        diff -r "$work/$mode${layout// /}/windows" "$work/$mode${layout// /}/reference" >/dev/null ||
            fail "the installed converter differs from $reference: $mode ${layout:-counts only}"
        compared=$((compared + $(find "$work/$mode${layout// /}/windows" -type f | wc -l)))
    done
done
echo "The installed converter wrote $compared files in 12 layouts and modes, byte for byte" \
    "those of $reference."

# The workbook (its numbers written by libxlsxwriter's own shortest-number code, not the C
# library's) and the HDF5 file, where the Windows build has HDF5: the same bytes as well. The
# input's name is not ASCII, as the libraries' own file opening must cope with on Windows.
for format in xlsx hdf5; do
    options=(-q --format "$format" --quantity absorbance --grid 400:0.5:800 "Wärme Ω.sdf")
    for side in windows reference; do
        mkdir -p "$work/$format/$side"
        cp examples/demo.sdf "$work/$format/$side/Wärme Ω.sdf"
    done
    status=0
    (cd "$work/$format/windows" && run "$target\\quillon-convert.exe" "${options[@]}") ||
        status=$?
    if [ "$format" = hdf5 ] && [ "$status" -eq 2 ]; then
        echo "The Windows build has no HDF5: its file is not compared."
        continue
    fi
    [ "$status" -eq 0 ] || fail "the installed converter failed on --format $format"
    if [ -n "$linux" ]; then
        (cd "$work/$format/reference" && "$linux" "${options[@]}")
    else
        (cd "$work/$format/reference" && run "$build/src/cli/quillon-convert.exe" "${options[@]}")
    fi
    output="Wärme Ω.$([ "$format" = xlsx ] && echo xlsx || echo h5)"
    cmp "$work/$format/windows/$output" "$work/$format/reference/$output" ||
        fail "the installed converter's $format file differs from $reference"
    echo "--format $format: $(md5sum <"$work/$format/windows/$output" | cut -c1-32)," \
        "byte for byte that of $reference."
done

run "$target\\Uninstall.exe" /S "_?=$target"
for name in quillon.exe quillon-convert.exe README.md LICENSE.txt; do
    [ ! -e "$unix_target/$name" ] || fail "the uninstaller left $name"
done
if run reg query 'HKLM\Software\Classes\QUILLON.ScanDataFile' >/dev/null 2>&1; then
    fail "the uninstaller left QUILLON's file type"
fi
if run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QUILLON' \
    >/dev/null 2>&1; then
    fail "the uninstaller left QUILLON in the list of installed programs"
fi
rm -rf "$unix_target"
echo "== Packages checked in $((SECONDS - started)) s"
echo "The Windows stage passed in ${SECONDS} s."
