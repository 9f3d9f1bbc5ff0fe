#!/usr/bin/env bash
# Many JPEGs to 32-pixel icons: vistrel-cli on one job and on every processor, against vipsthumbnail
# on the same files in the same run (vipsthumbnail writes PNG thumbnails; an icon is our output).
# Usage: run_icons_bench.sh PATH/TO/vistrel-cli [COUNT]
set -euo pipefail

CLI=${1:?usage: run_icons_bench.sh PATH/TO/vistrel-cli [COUNT]}
COUNT=${2:-200}
MAGICK=/usr/bin/convert # the real ImageMagick, not a wrapper earlier on PATH
for tool in "$MAGICK" vipsthumbnail nproc; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/ours1" "$WORK/oursN" "$WORK/vips"

echo "Making $COUNT JPEGs of 1600 x 1200 in $WORK ..."
"$MAGICK" -size 1600x1200 -seed 3 plasma:fractal -quality 90 "$WORK/in/p0000.jpg"
for ((i = 1; i < COUNT; i++)); do
  cp "$WORK/in/p0000.jpg" "$WORK/in/$(printf 'p%04d' "$i").jpg"
done
FILES=("$WORK"/in/*.jpg)

seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $1 ${2:-} ${3:-}" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v t="$(( (end - start) / 1000 ))" 'BEGIN { printf "%.2f", t / 1e6 }'
}

CORES=$(nproc)
one=$(seconds "$CLI" --jobs 1 icon --size 32 --out-dir "$WORK/ours1" "${FILES[@]}")
all=$(seconds "$CLI" --jobs "$CORES" icon --size 32 --out-dir "$WORK/oursN" "${FILES[@]}")
vips=$(seconds vipsthumbnail --size 32 -o "$WORK/vips/%s.png" "${FILES[@]}")
echo "$COUNT JPEGs 1600x1200 -> 32-px icons:"
echo "  vistrel-cli --jobs 1:         ${one} s"
echo "  vistrel-cli --jobs ${CORES} (cores): ${all} s"
echo "  vipsthumbnail --size 32:      ${vips} s"
