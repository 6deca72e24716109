#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the C libraries QUILLON links statically from Debian's own source packages, once, into
# a cache, and prints the folder they are installed in:
#
#   scripts/third-party.sh hdf5 mingw64            HDF5 C and high-level library for Windows
#   scripts/third-party.sh libxlsxwriter mingw64   libxlsxwriter for Windows
#   scripts/third-party.sh libxlsxwriter linux     libxlsxwriter for this Linux machine
#
# The version is that of the Debian binary package the Linux build uses (libhdf5-dev,
# libxlsxwriter-dev) as this machine's package lists name it. The source package comes from the
# same archive through a source list of this script's own (the system's lists stay as they are).
# The build goes into
#
#   ${QUILLON_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon}/NAME-VERSION-TARGET[-edited]/
#
# and is used again as long as the build options below are unchanged. Progress goes to the
# standard error, the folder alone to the standard output (CMake reads it, see
# cmake/ThirdParty.cmake). Windows builds run HDF5's configure-time checks under wine.
set -euo pipefail

usage() {
    echo "usage: $0 hdf5|libxlsxwriter mingw64|linux" >&2
    exit 2
}
[ $# -eq 2 ] || usage
name=$1
target=$2
root=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "third-party.sh: $*" >&2; }
die() {
    say "$*"
    exit 1
}

mingw_root=/usr/x86_64-w64-mingw32
case $name in
    hdf5) binary=libhdf5-dev ;;
    libxlsxwriter) binary=libxlsxwriter-dev ;;
    *) usage ;;
esac
case $name/$target in
    hdf5/mingw64 | libxlsxwriter/mingw64 | libxlsxwriter/linux) ;;
    *) die "$name is not built for $target here" ;;
esac

# The source package and version of the binary package: the installed one, else the one the
# system's package lists offer.
if dpkg-query -W -f='${Status}' "$binary" 2>/dev/null | grep -q "install ok installed"; then
    read -r source_name version <<<"$(dpkg-query -W \
        -f='${source:Package} ${source:Version}' "$binary")"
else
    fields=$(apt-cache show --no-all-versions "$binary" 2>/dev/null |
        sed -n 's/^Source: //p; s/^Version: //p')
    # "Source: NAME [(VERSION)]" comes before "Version:", and only where the names differ.
    source_name=$name
    version=$(tail -n1 <<<"$fields")
    if [ "$(wc -l <<<"$fields")" -gt 1 ]; then
        read -r source_name source_version <<<"$(head -n1 <<<"$fields")"
        source_version=${source_version//[()]/}
        [ -n "$source_version" ] && version=$source_version
    fi
fi
[ -n "$version" ] || die "the package lists do not know $binary (run apt-get update)"

# What the build depends on besides the source: a change here builds again.
zlib_mingw=(-DZLIB_LIBRARY="$mingw_root/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw_root/include")
edits=()
case $name in
    hdf5)
        patches=(path_max.diff ullong_force.diff relax-version-check.patch
            fix-unaligned-accesses.patch)
        options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON
            -DONLY_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DHDF5_BUILD_TOOLS=OFF
            -DHDF5_BUILD_UTILS=OFF -DHDF5_BUILD_EXAMPLES=OFF -DHDF5_BUILD_CPP_LIB=OFF
            -DHDF5_BUILD_FORTRAN=OFF -DHDF5_BUILD_JAVA=OFF -DHDF5_BUILD_HL_LIB=ON
            -DHDF5_BUILD_HL_TOOLS=OFF -DHDF5_ENABLE_THREADSAFE=OFF -DHDF5_BUILD_DOC=OFF
            -DDEFAULT_API_VERSION=v18 -DHDF5_ENABLE_SZIP_SUPPORT=OFF
            -DHDF5_ENABLE_Z_LIB_SUPPORT=ON "${zlib_mingw[@]}")
        ;;
    libxlsxwriter)
        patches=()
        # The library's own "[ERROR] ..." and "[WARNING] ..." lines on the standard error are
        # left out: every failure also comes back as an error code, which QUILLON reports in
        # its own words, naming the file and the reason.
        edits=("common.h: LXW_PRINTF prints nothing")
        # The bundled dtoa writes numbers as the shortest text that reads back to the same
        # double, whatever the C library's locale; the bundled minizip needs no outside library.
        options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DUSE_DTOA_LIBRARY=ON
            -DUSE_SYSTEM_MINIZIP=OFF -DUSE_OPENSSL_MD5=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
            -DCMAKE_INSTALL_LIBDIR=lib)
        [ "$target" = mingw64 ] && options+=("${zlib_mingw[@]}")
        ;;
esac
toolchain=()
[ "$target" = mingw64 ] && toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake")
recipe=$(printf '%s\n' "$source_name $version $target" "${patches[@]}" "${edits[@]}" \
    "${options[@]}")

cache=${QUILLON_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon}
# A library whose source is edited goes into a folder of its own, so that a checkout without
# the edit, sharing the cache, does not build over it.
key=$name-$version-$target${edits:+-edited}
prefix=$cache/$key
mkdir -p "$cache"
# One build at a time per library, however many build folders configure at once.
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/.quillon-recipe" ] && [ "$(cat "$prefix/.quillon-recipe")" = "$recipe" ]; then
    echo "$prefix"
    exit 0
fi

say "building $source_name $version for $target into $prefix (once; later builds reuse it)"
started=$SECONDS
# A folder of the same name each time, so that a compiler cache finds an earlier build's objects.
work=$cache/.build-$key
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Debian's archive that gives the binary package, with its sources.
archive=$(apt-cache policy "$binary" | grep -m1 -oE 'https?://[^ ]+ [^ /]+/[^ ]+' || true)
[ -n "$archive" ] || die "cannot tell which archive gives $binary (apt-cache policy $binary)"
read -r url suite_component <<<"$archive"
apt=$work/apt
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
echo "deb-src $url ${suite_component%%/*} ${suite_component#*/}" >"$apt/sources.list.d/quillon.list"
apt_options=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
apt-get "${apt_options[@]}" update >&2 || die "cannot read the source list of $url"
(cd "$work" && apt-get "${apt_options[@]}" source --download-only "$source_name=$version" >&2) ||
    die "cannot download the source package $source_name $version"
src=$work/src
dpkg-source --skip-patches -x "$work/${source_name}_${version#*:}.dsc" "$src" >&2
for patch in "${patches[@]}"; do
    patch -d "$src" -p1 --batch --quiet <"$src/debian/patches/$patch" >&2
done

if [ "$name" = hdf5 ]; then
    # mingw-w64 has unistd.h but no sys/wait.h; waitpid is what needs it.
    sed -i 's|^#include <sys/wait.h>$|#ifdef H5_HAVE_WAITPID\n#include <sys/wait.h>\n#endif|' \
        "$src/src/H5private.h"
fi
if [ "$name" = libxlsxwriter ]; then
    header=$src/include/xlsxwriter/common.h
    grep -q '^#define LXW_PRINTF fprintf$' "$header" || die "$header no longer defines LXW_PRINTF"
    sed -i 's|^#define LXW_PRINTF fprintf$|#define LXW_PRINTF(...) ((void)0)|' "$header"
fi
if [ "$target" = mingw64 ]; then
    [ -f "$mingw_root/lib/libz.a" ] || die "no zlib for mingw-w64 (Debian: libz-mingw-w64-dev)"
    # HDF5's configure-time checks run under wine in a prefix of this build's own.
    export WINEPREFIX=$work/wine
fi

# Configured from inside the build folder: a check run under wine writes its result into the
# current folder.
# Its compiler warnings are the library's own: they go into a log, shown only on failure.
mkdir -p "$work/build"
log=$work/build.log
failed() {
    tail -n 40 "$log" >&2
    die "$1 $source_name failed"
}
say "configuring"
(cd "$work/build" && cmake "$src" -G "Unix Makefiles" "${toolchain[@]}" "${options[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" >"$log" 2>&1) || failed configuring
say "compiling"
cmake --build "$work/build" -j"${QUILLON_JOBS:-2}" >>"$log" 2>&1 || failed building
if [ "$target" = mingw64 ]; then
    wineserver -k 2>/dev/null || true
fi
# The recipe is written last: a folder without it is an unfinished build and is built again.
rm -rf "$prefix"
cmake --install "$work/build" >>"$log" 2>&1 || failed installing
printf '%s\n' "$recipe" >"$prefix/.quillon-recipe"
say "built $source_name $version for $target in $((SECONDS - started)) s"
echo "$prefix"
