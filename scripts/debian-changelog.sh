#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the Debian changelog of the quillon package from CHANGELOG.md, on standard output:
# one entry per released version, newest first, each item of its Added/Changed/... groups as
# a "  * " line wrapped at 78 columns, signed by the maintainer on the release date. Items
# under "Unreleased" are left out: they are in no package yet.
#
#   scripts/debian-changelog.sh CHANGELOG.md "Name <address>"
set -euo pipefail

if [ "$#" -ne 2 ]; then
    echo "usage: $0 CHANGELOG.md 'Name <address>'" >&2
    exit 2
fi
changelog="$1"
maintainer="$2"

# One record per line: "V <version> <date>" for a release heading, "I <text>" for an item
# (its continuation lines joined, Markdown's ` and ** removed).
records() {
    awk '
        function flush() { if (item != "") print "I " item; item = "" }
        /^## \[[0-9][0-9.]*\] - [0-9-]+$/ {
            flush(); released = 1
            version = $2; gsub(/[][]/, "", version)
            print "V " version " " $4
            next
        }
        /^## / { flush(); released = 0; next }
        /^### / { flush(); next }
        released && /^- / { flush(); item = substr($0, 3); next }
        released && /^  +[^ ]/ && item != "" { sub(/^ +/, " "); item = item $0; next }
        { flush() }
        END { flush() }
    ' "$1" | sed -e 's/`//g' -e 's/\*\*//g'
}

signature() {
    printf '\n -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -d "$1" '+%a, %d %b %Y %H:%M:%S +0000')"
}

first=1
pending_date=""
while IFS= read -r record; do
    case "$record" in
    V\ *)
        read -r _ version date <<<"$record"
        if [ -n "$pending_date" ]; then
            signature "$pending_date"
        fi
        [ "$first" = 1 ] || echo
        first=0
        printf 'quillon (%s) unstable; urgency=medium\n\n' "$version"
        pending_date="$date"
        ;;
    I\ *)
        printf '%s\n' "${record#I }" | fold -s -w 74 | sed -e 's/ *$//' -e '1s/^/  * /' -e '2,$s/^/    /'
        ;;
    esac
done < <(records "$changelog")
if [ -z "$pending_date" ]; then
    echo "$0: $changelog holds no release '## [VERSION] - YYYY-MM-DD'" >&2
    exit 1
fi
signature "$pending_date"
