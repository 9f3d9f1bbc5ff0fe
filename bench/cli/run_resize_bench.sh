#!/usr/bin/env bash
# Whole-process resize timings of vistrel-cli against ImageMagick and libvips on the same BMP files,
# single-threaded, median of several runs, plus vistrel-cli's peak memory against its bound.
# Usage: run_resize_bench.sh PATH/TO/vistrel-cli [RUNS]
set -euo pipefail

CLI=${1:?usage: run_resize_bench.sh PATH/TO/vistrel-cli [RUNS]}
RUNS=${2:-5}
MAGICK=/usr/bin/convert # the real ImageMagick, not a wrapper earlier on PATH
for tool in "$MAGICK" vips /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1

echo "Making test pictures in $WORK ..."
"$MAGICK" -size 4000x3000 gradient:'#204080'-'#f0c020' -attenuate 0.4 +noise Uniform -type TrueColor BMP3:"$WORK/large.bmp"
"$MAGICK" -size 640x480 -seed 7 plasma:fractal -type TrueColor BMP3:"$WORK/small.bmp"

# Median wall time in seconds of RUNS runs of a command.
median_time() {
  local times=() start end
  for ((i = 0; i < RUNS; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    times+=("$(( (end - start) / 1000 ))")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.4f", t[int((NR + 1) / 2)] / 1e6 }'
}

peak_rss_mb() {
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# name filter(ours) filter(ImageMagick) kernel(vips) source WxH destination WxH
bench() {
  local name=$1 ours=$2 magick=$3 kernel=$4 src=$5 sw=$6 sh=$7 dw=$8 dh=$9
  local hscale vscale t_ours t_magick t_vips rss bound
  hscale=$(awk -v d="$dw" -v s="$sw" 'BEGIN { printf "%.10f", d / s }')
  vscale=$(awk -v d="$dh" -v s="$sh" 'BEGIN { printf "%.10f", d / s }')
  t_ours=$(median_time "$CLI" resize "$ours" "$dw" "$dh" "$src" "$WORK/ours.bmp")
  t_magick=$(median_time "$MAGICK" "$src" -filter "$magick" -resize "${dw}x${dh}!" "$WORK/magick.bmp")
  t_vips=$(median_time vips resize "$src" "$WORK/vips.bmp" "$hscale" --vscale "$vscale" --kernel "$kernel")
  rss=$(peak_rss_mb "$CLI" resize "$ours" "$dw" "$dh" "$src" "$WORK/ours.bmp")
  # Source, intermediate (destination width x source height) and destination at 3 bytes a pixel.
  bound=$(awk -v sw="$sw" -v sh="$sh" -v dw="$dw" -v dh="$dh" \
    'BEGIN { printf "%.1f", (3 * (sw * sh + dw * sh + dw * dh)) / 1048576 + 20 }')
  echo
  echo "$name: ${sw}x${sh} -> ${dw}x${dh} (median of $RUNS runs, whole process, one thread)"
  printf '  vistrel-cli  %8.3f s\n' "$t_ours"
  printf '  ImageMagick  %8.3f s   ours/ImageMagick = %s (target <= 0.50)\n' "$t_magick" "$(ratio "$t_ours" "$t_magick")"
  printf '  libvips      %8.3f s   ours/libvips     = %s (target <= 1.00)\n' "$t_vips" "$(ratio "$t_ours" "$t_vips")"
  printf '  vistrel-cli peak memory %s MB (bound %s MB)\n' "$rss" "$bound"
}

bench "Mitchell shrink" mitchell Mitchell mitchell "$WORK/large.bmp" 4000 3000 256 192
bench "Lanczos3 enlarge" lanczos3 Lanczos lanczos3 "$WORK/small.bmp" 640 480 1280 960
