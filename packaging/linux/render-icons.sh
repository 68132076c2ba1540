#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, librsvg2-bin).
# Run after changing the SVG and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "$0")"
id=org.va48viewer.VA48Viewer
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$id.svg" -o "icons/$id-$size.png"
done
