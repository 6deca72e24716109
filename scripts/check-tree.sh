#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when git tracks a file that does not belong in QUILLON's tree: a build output (objects,
# libraries, executables), a generated scan data, HDF5, Debian or zip file outside the places
# that keep such files on purpose (examples/, docs/, res/, tests/fixtures/), or a file whose name
# starts with '-' (a tool that took an option for its output's name wrote it).
#
#   scripts/check-tree.sh            lists every such file; exits 1 if there is any
set -euo pipefail
cd "$(dirname "$0")/.."

problems=0
report() {
    echo "$0: $1: $2" >&2
    problems=1
}

while IFS= read -r -d '' path; do
    name="${path##*/}"
    case "$name" in
        -*) report "$path" "the name starts with '-'" ;;
    esac
    case "$name" in
        *.o | *.obj | *.a | *.lib | *.so | *.so.* | *.dll | *.dylib | *.exe | *.pdb)
            report "$path" "a build output"
            continue
            ;;
    esac
    case "$path" in
        examples/* | docs/* | res/* | tests/fixtures/*) ;;
        *.sdf | *.SDF | *.h5 | *.deb | *.zip)
            report "$path" "a generated file outside examples/, docs/, res/ and tests/fixtures/"
            continue
            ;;
    esac
    # A program built for Linux or Windows, whatever its name.
    if [ -f "$path" ] && head -c 4 -- "$path" | grep -qaE $'^(\x7fELF|MZ)'; then
        report "$path" "an executable"
    fi
done < <(git ls-files -z)

exit "$problems"
