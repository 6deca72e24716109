#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The SPDX licence line at the top of QUILLON's source files.
#
#   scripts/spdx.sh --check   lists the files that lack it; exits 1 if there is any
#   scripts/spdx.sh --apply   adds it to each of them; running it again changes nothing
#
# Files: every .cpp and .h under src/ tests/ tools/ bench/ get "// SPDX-License-Identifier: MIT"
# as their first line; shell scripts (*.sh, and the bash completion) get
# "# SPDX-License-Identifier: MIT" after their #! line, or first if they have none; CMake files
# (CMakeLists.txt, *.cmake) get it first. Only files that git tracks or would track count, so
# build folders and generated files are never touched. A file that already names a licence with
# "SPDX-License-Identifier:" in its first two lines is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly IDENTIFIER="SPDX-License-Identifier: MIT"

usage() {
    echo "usage: $0 --check | --apply" >&2
    exit 2
}
[ "$#" -eq 1 ] || usage
case "$1" in
--check | --apply) mode="$1" ;;
*) usage ;;
esac

# Prints "<comment leader> <path>" for every file that should carry the line.
source_files() {
    local ls_files=(git ls-files --cached --others --exclude-standard --)
    "${ls_files[@]}" 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
        'bench/*.cpp' 'bench/*.h' | sed 's|^|// |'
    "${ls_files[@]}" '*.sh' 'res/completion/*' '*CMakeLists.txt' '*.cmake' | sed 's|^|# |'
}

has_identifier() { head -n 2 -- "$1" | grep -q 'SPDX-License-Identifier:'; }

# Adds "<leader> SPDX-License-Identifier: MIT" to a file: after a #! line, else first.
add_identifier() {
    local leader="$1" file="$2" line
    line="$leader $IDENTIFIER"
    if [ ! -s "$file" ]; then
        printf '%s\n' "$line" >"$file"
    elif [ "$leader" = "#" ] && head -n 1 -- "$file" | grep -q '^#!'; then
        sed -i "1a $line" -- "$file"
    else
        sed -i "1i $line" -- "$file"
    fi
}

missing=0
while read -r leader file; do
    [ -f "$file" ] || continue # deleted in the work tree but still in the index
    has_identifier "$file" && continue
    missing=$((missing + 1))
    if [ "$mode" = --check ]; then
        echo "$file"
    else
        add_identifier "$leader" "$file"
        echo "added: $file"
    fi
done < <(source_files)

if [ "$mode" = --check ] && [ "$missing" -gt 0 ]; then
    echo "$missing files lack the line '$IDENTIFIER' (scripts/spdx.sh --apply adds it)" >&2
    exit 1
fi
exit 0
