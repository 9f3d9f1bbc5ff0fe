#!/usr/bin/env bash
# Renders the hicolor PNG icons from the scalable one. Run after changing the SVG (needs rsvg-convert
# from librsvg2-bin); the PNGs are kept in the repository so building needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" org.vistrel.Vistrel.svg -o "org.vistrel.Vistrel-$size.png"
done
