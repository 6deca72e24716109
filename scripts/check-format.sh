#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when clang-format (with the repository's .clang-format) would change a C++ source file
# under src/, tests/, tools/ or bench/, and lists those files. With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' \
    'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/quillon-format.$$; then
    grep -o '^[^:]*\.\(cpp\|h\):' /tmp/quillon-format.$$ | sort -u | sed 's/:$//; s/^/  needs formatting: /' >&2
    rm -f /tmp/quillon-format.$$
    echo "Run scripts/check-format.sh --fix" >&2
    exit 1
fi
rm -f /tmp/quillon-format.$$
echo "All ${#files[@]} source files are formatted."
