#!/usr/bin/env bash
# Whole-process resize timings of vistrel-cli against ImageMagick and libvips on the same files,
# the references single-threaded, plus vistrel-cli's peak memory. The tools take turns, run after
# run, and each one's best run counts: on a busy machine that is the one least disturbed.
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
# A 12-megapixel photograph stand-in: a fractal landscape with sensor noise, about 6 MB of JPEG.
"$MAGICK" -size 4000x3000 -seed 7 plasma:fractal -attenuate 0.3 +noise Gaussian -quality 92 "$WORK/photo.jpg"

# Wall time in seconds of one run of a command.
run_time() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s%N)
  awk -v t="$(( (end - start) / 1000 ))" 'BEGIN { printf "%.4f", t / 1e6 }'
}

least() { printf '%s\n' "$@" | sort -n | head -1; }

peak_rss_mb() {
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

SUMMARY=()

# name filter(ours) filter(ImageMagick) kernel(vips, - for none) source WxH destination WxH
#      target(ours/ImageMagick) target(ours/libvips, - for none) extension of the output
bench() {
  local name=$1 ours=$2 magick=$3 kernel=$4 src=$5 sw=$6 sh=$7 dw=$8 dh=$9
  local magick_target=${10} vips_target=${11} ext=${12}
  local hscale vscale t_ours t_magick t_vips rss line ours_runs=() magick_runs=() vips_runs=()
  hscale=$(awk -v d="$dw" -v s="$sw" 'BEGIN { printf "%.10f", d / s }')
  vscale=$(awk -v d="$dh" -v s="$sh" 'BEGIN { printf "%.10f", d / s }')
  for ((i = 0; i < RUNS; i++)); do
    ours_runs+=("$(run_time "$CLI" resize "$ours" "$dw" "$dh" "$src" "$WORK/ours.$ext")")
    magick_runs+=("$(run_time "$MAGICK" "$src" -filter "$magick" -resize "${dw}x${dh}!" "$WORK/magick.$ext")")
    if [[ $kernel != - ]]; then
      vips_runs+=("$(run_time vips resize "$src" "$WORK/vips.$ext" "$hscale" --vscale "$vscale" --kernel "$kernel")")
    fi
  done
  t_ours=$(least "${ours_runs[@]}")
  t_magick=$(least "${magick_runs[@]}")
  rss=$(peak_rss_mb "$CLI" resize "$ours" "$dw" "$dh" "$src" "$WORK/ours.$ext")
  echo
  echo "$name: ${sw}x${sh} -> ${dw}x${dh} (best of $RUNS runs, whole process)"
  printf '  vistrel-cli  %8.3f s   peak memory %s MB\n' "$t_ours" "$rss"
  printf '  ImageMagick  %8.3f s   ours/ImageMagick = %s (target <= %s)\n' "$t_magick" \
    "$(ratio "$t_ours" "$t_magick")" "$magick_target"
  line=$(printf '%-26s %8.3f %8.3f %6s' "$name" "$t_ours" "$t_magick" "$(ratio "$t_ours" "$t_magick")")
  if [[ $kernel != - ]]; then
    t_vips=$(least "${vips_runs[@]}")
    printf '  libvips      %8.3f s   ours/libvips     = %s (target <= %s)\n' "$t_vips" \
      "$(ratio "$t_ours" "$t_vips")" "$vips_target"
    line+=$(printf ' %8.3f %6s' "$t_vips" "$(ratio "$t_ours" "$t_vips")")
  fi
  SUMMARY+=("$line")
}

bench "Mitchell shrink" mitchell Mitchell mitchell "$WORK/large.bmp" 4000 3000 256 192 0.30 0.25 bmp
bench "Lanczos3 enlarge" lanczos3 Lanczos lanczos3 "$WORK/small.bmp" 640 480 1280 960 0.50 1.00 bmp
bench "Lanczos3 12 MP JPEG" lanczos3 Lanczos lanczos3 "$WORK/photo.jpg" 4000 3000 1000 750 0.50 0.80 jpg
# Every filter down and up; ImageMagick's Quadratic and Spline are the Bell and B-spline curves.
for pair in box:Box triangle:Triangle hermite:Hermite bell:Quadratic b-spline:Spline lanczos3:Lanczos \
            mitchell:Mitchell; do
  bench "${pair%%:*} down" "${pair%%:*}" "${pair#*:}" - "$WORK/large.bmp" 4000 3000 256 192 0.50 - bmp
  bench "${pair%%:*} up" "${pair%%:*}" "${pair#*:}" - "$WORK/small.bmp" 640 480 1280 960 0.50 - bmp
done

echo
echo "Summary (seconds, whole process; ratios are ours / reference)"
printf '%-26s %8s %8s %6s %8s %6s\n' case ours magick ratio vips ratio
printf '%s\n' "${SUMMARY[@]}"
