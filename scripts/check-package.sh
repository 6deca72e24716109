#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from an existing build folder and checks it as a user's system
# will meet it. Exits non-zero at the first check that fails.
#
#   scripts/check-package.sh BUILD_DIR
#
# BUILD_DIR is a configured and built folder with the window (QUILLON_BUILD_GUI=ON), such as
# the build/ of ./test.sh; cpack installs from it and strips the programs, so no other build
# is needed. The package is left in BUILD_DIR/package/. Checks, in order:
#   1. the package builds, is named quillon_<version>_<arch>.deb, carries the version of
#      project() and the library dependencies found by dpkg-shlibdeps, and holds every file;
#   2. lintian reports no error and no warning;
#   3. desktop-file-validate and appstreamcli validate (file and installed tree) pass, and
#      the MIME type, the desktop entry and the AppStream file name the same type;
#   4. the MIME type recognises examples/demo.sdf, also beside a text type that claims *.sdf
#      too, and leaves that type its text files; the window is the application for the type;
#   5. the packaged quillon-convert converts examples/demo.sdf to the same bytes as the build
#      folder's, in every layout;
#   6. both manual pages render without a warning, and man/quillon-convert.1 is what
#      scripts/update-man.sh makes from the program now;
#   7. the bash completion offers every long option of --help, and scan data files.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ "$#" -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build="$(cd "$1" && pwd)"

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}
step() { printf -- '-- %s\n' "$*"; }

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
[ -f "$build/CPackConfig.cmake" ] || fail "$build is not a configured QUILLON build folder"
[ "$(cache_value QUILLON_BUILD_GUI)" = ON ] || fail "$build is built without the window"
version="$(cache_value CMAKE_PROJECT_VERSION)"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# ---- 1. The package and its contents
step "Building the package from $build"
rm -f "$build"/package/quillon_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb="$build/package/quillon_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack did not write $(basename "$deb")"
dpkg-deb -c "$deb"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
[[ "$depends" == *libc6* && "$depends" == *libqt6widgets6* ]] ||
    fail "the dependencies were not computed from the programs' libraries"

pkg="$scratch/root"
dpkg-deb -x "$deb" "$pkg"
for file in usr/bin/quillon usr/bin/quillon-convert \
    usr/share/applications/quillon.desktop \
    usr/share/metainfo/io.github.quillon.QUILLON.metainfo.xml \
    usr/share/mime/packages/quillon.xml \
    usr/share/icons/hicolor/256x256/apps/quillon.png \
    usr/share/icons/hicolor/scalable/apps/quillon.svg \
    usr/share/man/man1/quillon.1.gz usr/share/man/man1/quillon-convert.1.gz \
    usr/share/bash-completion/completions/quillon-convert \
    usr/share/doc/quillon/copyright usr/share/doc/quillon/changelog.gz; do
    [ -f "$pkg/$file" ] || fail "the package lacks /$file"
done

# ---- 2. lintian
step "lintian"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"

# ---- 3. Desktop entry and AppStream file
step "desktop-file-validate"
desktop="$pkg/usr/share/applications/quillon.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
step "appstreamcli validate --no-net"
metainfo="$pkg/usr/share/metainfo/io.github.quillon.QUILLON.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$pkg" || fail "appstreamcli validate-tree"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the AppStream file has no release $version"

mime_type="$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$pkg/usr/share/mime/packages/quillon.xml")"
[ -n "$mime_type" ] || fail "no MIME type in quillon.xml"
grep -qx "MimeType=$mime_type;" "$desktop" || fail "the desktop entry does not open $mime_type"
grep -q "<mediatype>$mime_type</mediatype>" "$metainfo" ||
    fail "the AppStream file does not provide $mime_type"

# ---- 4. MIME type detection, in a MIME database of its own
step "MIME type of .sdf files"
mime="$scratch/mime"
mkdir -p "$mime/mime/packages" "$scratch/files"
cp "$pkg/usr/share/mime/packages/quillon.xml" "$mime/mime/packages/"
cp "$root/examples/demo.sdf" "$scratch/files/scan.sdf"
printf 'structure\n  made by hand\n\n  0  0  0  0  0  0            999 V2000\nM  END\n$$$$\n' \
    >"$scratch/files/structure.sdf"
export XDG_DATA_HOME="$scratch/none" XDG_DATA_DIRS="$mime:/usr/share"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
update-mime-database "$mime/mime"
[ "$(type_of "$scratch/files/scan.sdf")" = "$mime_type" ] ||
    fail "examples/demo.sdf is not recognised as $mime_type"
# Another program's text-based *.sdf type, declared the ordinary way.
cat >"$mime/mime/packages/other.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="chemical/x-other-sdfile">
    <comment>chemical structures</comment>
    <sub-class-of type="text/plain"/>
    <glob pattern="*.sdf"/>
  </mime-type>
</mime-info>
EOF
update-mime-database "$mime/mime"
[ "$(type_of "$scratch/files/scan.sdf")" = "$mime_type" ] ||
    fail "beside another type that claims *.sdf, examples/demo.sdf is no longer $mime_type"
[ "$(type_of "$scratch/files/structure.sdf")" = chemical/x-other-sdfile ] ||
    fail "$mime_type takes text .sdf files away from another type that claims them"
echo "scan.sdf: $mime_type, also beside a text type that claims *.sdf, which keeps its files"

# The desktop entry registers the window as the application for the type.
mkdir -p "$mime/applications"
cp "$desktop" "$mime/applications/"
update-desktop-database "$mime/applications"
default_app="$(PATH="$pkg/usr/bin:$PATH" XDG_CONFIG_HOME="$scratch/none" \
    XDG_CONFIG_DIRS="$scratch/none" gio mime "$mime_type" | sed -n 1p)"
echo "$default_app"
[[ "$default_app" == *": quillon.desktop" ]] || fail "quillon is not the application for $mime_type"
unset XDG_DATA_HOME XDG_DATA_DIRS

# ---- 5. The packaged converter writes what the build folder's writes
step "Packaged quillon-convert against $build/src/cli/quillon-convert"
packaged="$pkg/usr/bin/quillon-convert"
declare -A program=([packaged]="$packaged" [built]="$build/src/cli/quillon-convert")
[ "$("$packaged" --version)" = "quillon-convert $version" ] ||
    fail "the packaged quillon-convert --version does not say $version"
layouts=("" "-p" "-w" "-p -w" "--one-file" "--one-file -p -w" "-s 2,4-5 -w")
for options in "${layouts[@]}"; do
    for side in packaged built; do
        rm -rf "${scratch:?}/$side" && mkdir "$scratch/$side"
        cp "$root/examples/demo.sdf" "$scratch/$side/"
        # shellcheck disable=SC2086  # the options are words
        "${program[$side]}" --quiet $options "$scratch/$side/demo.sdf" ||
            fail "$side quillon-convert $options failed"
        rm "$scratch/$side/demo.sdf"
    done
    count="$(find "$scratch/packaged" -name '*.txt' | wc -l)"
    [ "$count" -gt 0 ] || fail "quillon-convert $options wrote nothing"
    diff -r "$scratch/packaged" "$scratch/built" >/dev/null ||
        fail "quillon-convert ${options:-(no options)}: the packaged program writes other bytes"
    echo "${options:-(no options)}: $count files, the same bytes"
done

# ---- 6. Manual pages
step "Manual pages"
for page in "$pkg"/usr/share/man/man1/*.1.gz; do
    name="$(basename "$page")"
    MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$page" >"$scratch/page.txt" 2>"$scratch/man.err"
    [ ! -s "$scratch/man.err" ] || { cat "$scratch/man.err" >&2; fail "man -l $name warns"; }
    grep -q '^SYNOPSIS' "$scratch/page.txt" || fail "man -l $name renders no SYNOPSIS"
    zcat "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>"$scratch/groff.err"
    [ ! -s "$scratch/groff.err" ] || { cat "$scratch/groff.err" >&2; fail "groff warns on $name"; }
    echo "$name: $(wc -l <"$scratch/page.txt") lines, no warnings"
done
"$root/scripts/update-man.sh" "$build" "$scratch/quillon-convert.1"
diff -u "$root/man/quillon-convert.1" "$scratch/quillon-convert.1" ||
    fail "man/quillon-convert.1 is out of date: run scripts/update-man.sh $1 and commit it"
echo "man/quillon-convert.1 matches what help2man makes from --help now"

# ---- 7. Bash completion
step "Bash completion"
completion="$pkg/usr/share/bash-completion/completions/quillon-convert"
"$packaged" --help | grep -o -- '--[a-z][a-z-]*' | sort -u >"$scratch/options"
mkdir -p "$scratch/complete/folder"
touch "$scratch/complete/run1.sdf" "$scratch/complete/run1_Var.txt"
(
    cd "$scratch/complete"
    # shellcheck source=/dev/null
    source "$completion"
    complete_words() {
        COMP_WORDS=(quillon-convert "$@")
        COMP_CWORD=$#
        COMPREPLY=()
        _quillon_convert
        printf '%s\n' "${COMPREPLY[@]}" | sort
    }
    missing="$(comm -23 "$scratch/options" <(complete_words --))"
    [ -z "$missing" ] || fail "the completion does not offer: $missing"
    [ "$(complete_words --with-)" = $'--with-pixel\n--with-wavelength' ] ||
        fail "--with- does not complete to --with-pixel and --with-wavelength"
    [ -z "$(complete_words --select "")" ] || fail "a scan list after --select is completed"
    [ "$(complete_words -p "")" = $'folder\nrun1.sdf' ] ||
        fail "a FILE does not complete to scan data files and folders"
)
echo "every option of --help; scan data files and folders for FILE"

step "The package $(basename "$deb") passed every check"
