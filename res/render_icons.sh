#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the application icon quillon.svg into the PNG sizes the window and the desktop use.
# Needs ImageMagick's convert. Run from anywhere; writes res/icons/quillon-<size>.png.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons
for size in 16 24 32 48 256; do
    convert -background none -density 96 quillon.svg -resize "${size}x${size}" -depth 8 \
        -strip "icons/quillon-${size}.png"
done
