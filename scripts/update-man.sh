#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates man/quillon-convert.1 from the --help and --version of a built quillon-convert.
#
#   scripts/update-man.sh BUILD_DIR            rewrites man/quillon-convert.1
#   scripts/update-man.sh BUILD_DIR OUTPUT     writes the page to OUTPUT instead (drift checks)
#
# The page is dated with the release date of its version in CHANGELOG.md, not today, so that
# the same program always gives the same page. The extra sections (exit status, examples,
# see also) come from man/quillon-convert.h2m. Run it after changing an option, and commit the
# page: scripts/check-package.sh fails while the committed page differs from a fresh one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ "$#" -lt 1 ] || [ "$#" -gt 2 ]; then
    echo "usage: $0 BUILD_DIR [OUTPUT]" >&2
    exit 2
fi
program="$1/src/cli/quillon-convert"
output="${2:-$root/man/quillon-convert.1}"
if [ ! -x "$program" ]; then
    echo "$0: $program is not built" >&2
    exit 1
fi

version="$("$program" --version | awk '{print $NF}')"
date="$(sed -n "s/^## \[${version//./\\.}\] - \([0-9-]*\)\$/\1/p" "$root/CHANGELOG.md")"
if [ -z "$date" ]; then
    echo "$0: CHANGELOG.md has no dated entry '## [$version] - YYYY-MM-DD'" >&2
    exit 1
fi

# help2man takes the date from SOURCE_DATE_EPOCH; the C locale keeps the month in English.
SOURCE_DATE_EPOCH="$(date -u -d "$date" +%s)" LC_ALL=C.UTF-8 \
    help2man --no-info --no-discard-stderr \
    --include="$root/man/quillon-convert.h2m" \
    --output="$output" "$program"
