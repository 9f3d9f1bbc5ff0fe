#!/usr/bin/env bash
# The speed goals of big JPEG downscales, the icon batch, BMP shrinking and the JPEG mirror, each
# against its reference in the same run: every case's commands take turns, run after run, and the
# median of RUNS (at least 5) counts. Prints one table, with the machine's load before and after.
# With the benchmark build's folder as well, the browser pane's tree and list goals join the table.
# Usage: run_speed_goals.sh PATH/TO/vistrel-cli [RUNS] [PATH/TO/build/bench]
set -euo pipefail

CLI=${1:?usage: run_speed_goals.sh PATH/TO/vistrel-cli [RUNS] [PATH/TO/build/bench]}
RUNS=${2:-5}
BENCH_BUILD=${3:-}
((RUNS >= 5)) || { echo "RUNS must be at least 5" >&2; exit 2; }
MAGICK=/usr/bin/convert # the real ImageMagick, not a wrapper earlier on PATH
for tool in "$MAGICK" /usr/bin/compare vips vipsthumbnail djpeg cjpeg /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)

echo "Making test pictures in $WORK ..." >&2
# Photograph stand-ins: a fractal landscape with sensor noise.
"$MAGICK" -size 4000x3000 -seed 7 plasma:fractal -attenuate 0.3 +noise Gaussian -quality 92 "$WORK/p12.jpg"
# The larger ones tile it (vips is quick at that): 8000 x 6000, and 11548 x 8661 cut from 3 x 3.
vips arrayjoin "$(printf "$WORK/p12.jpg %.0s" 1 2 3 4)" "$WORK/p48.jpg[Q=92]" --across 2
vips arrayjoin "$(printf "$WORK/p12.jpg %.0s" 1 2 3 4 5 6 7 8 9)" "$WORK/p108.v" --across 3
vips crop "$WORK/p108.v" "$WORK/p100.jpg[Q=92]" 0 0 11548 8661
rm "$WORK/p108.v"
"$MAGICK" -size 4000x3000 gradient:'#204080'-'#f0c020' -attenuate 0.4 +noise Uniform -type TrueColor BMP3:"$WORK/large.bmp"
mkdir -p "$WORK/icons" "$WORK/ours" "$WORK/vips"
"$MAGICK" -size 1600x1200 -seed 3 plasma:fractal -quality 90 "$WORK/icons/i000.jpg"
for ((i = 1; i < 200; i++)); do cp "$WORK/icons/i000.jpg" "$WORK/icons/$(printf 'i%03d' "$i").jpg"; done
ICONS=("$WORK"/icons/*.jpg)
export MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1 # the references on one thread, as the goals are put

# "wall user+system peak-KiB" of one run.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$WORK/time.txt" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$WORK/time.txt"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs every named command RUNS times, taking turns, and sets WALL[name], CPU[name], PEAK[name]
# (medians; peak in MiB). Commands are given as name=function pairs.
declare -A WALL CPU PEAK
interleave() {
  local pair name fn
  declare -A walls cpus peaks
  for ((run = 0; run < RUNS; run++)); do
    for pair in "$@"; do
      name=${pair%%=*} fn=${pair#*=}
      read -r w c m < <(measure bash -c "$fn")
      walls[$name]+="$w " cpus[$name]+="$c " peaks[$name]+="$m "
    done
  done
  for pair in "$@"; do
    name=${pair%%=*}
    WALL[$name]=$(tr ' ' '\n' <<<"${walls[$name]}" | grep . | median)
    CPU[$name]=$(tr ' ' '\n' <<<"${cpus[$name]}" | grep . | median)
    PEAK[$name]=$(tr ' ' '\n' <<<"${peaks[$name]}" | grep . | median | awk '{ printf "%.1f", $1 / 1024 }')
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }
psnr() { /usr/bin/compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{ print $1 }'; }

ROWS=()
row() { ROWS+=("$(printf '| %-44s | %-32s | %-26s |' "$1" "$2" "$3")"); }

# One function per case: each runs its commands through `interleave` and adds its rows. A new
# case is a function here and a line in the list at the end.

# Default and --exact resizes of the MP-megapixel JPEG, beside vipsthumbnail and vips resize.
case_jpeg_downscale() {
  local mp=$1 src="$WORK/p$1.jpg" scale
  echo "Resizing the $mp MP JPEG ..." >&2
  scale=$(vipsheader -f width "$src" | awk '{ printf "%.10f", 256 / $1 }')
  interleave "ours=$CLI resize mitchell 256 192 $src $WORK/d.bmp" \
    "exact=$CLI resize mitchell 256 192 $src $WORK/e.bmp --exact" \
    "thumb=vipsthumbnail $src -s 256x192 -o $WORK/t.jpg" \
    "vips=vips resize $src $WORK/v.jpg $scale --kernel mitchell"
  row "$mp MP JPEG -> 256x192 Mitchell, default" "$(ratio "${WALL[ours]}" "${WALL[thumb]}")x vipsthumbnail (${WALL[ours]} s)" "<= 0.7x"
  row "$mp MP JPEG, --exact" "$(ratio "${WALL[exact]}" "${WALL[vips]}")x vips resize (${WALL[exact]} s)" "<= 1.0x at 48 and 100 MP"
  row "$mp MP JPEG, default against --exact" "PSNR $(psnr "$WORK/d.bmp" "$WORK/e.bmp") dB" ">= 40 dB"
  if [[ $mp == 100 ]]; then
    row "peak memory, 100 MP resize (default / --exact)" "${PEAK[ours]} / ${PEAK[exact]} MiB" "<= 30 MiB"
  fi
}

case_icons() {
  echo "Converting 200 JPEGs to icons ..." >&2
  interleave "ours=$CLI --jobs 1 icon --size 32 --out-dir $WORK/ours ${ICONS[*]}" \
    "thumb=vipsthumbnail --size 32 -o $WORK/vips/%s.png ${ICONS[*]}"
  row "200 icons, --jobs 1, wall" "$(ratio "${WALL[ours]}" "${WALL[thumb]}")x vipsthumbnail (${WALL[ours]} s)" "<= 0.7x"
  row "200 icons, --jobs 1, CPU" "$(ratio "${CPU[ours]}" "${CPU[thumb]}")x vipsthumbnail (${CPU[ours]} s)" "<= 0.7x"
}

case_bmp_shrink() {
  echo "Shrinking the BMP ..." >&2
  interleave "ours=$CLI resize mitchell 256 192 $WORK/large.bmp $WORK/b.bmp" \
    "magick=$MAGICK $WORK/large.bmp -filter Mitchell -resize '256x192!' $WORK/m.bmp"
  row "4000x3000 BMP -> 256x192 Mitchell" "$(ratio "${WALL[ours]}" "${WALL[magick]}")x ImageMagick (${WALL[ours]} s, CPU ${CPU[ours]} s)" "<= 0.15x, <= 0.030 s idle"
}

case_jpeg_mirror() {
  echo "Mirroring the 12 MP JPEG ..." >&2
  djpeg "$WORK/p12.jpg" >"$WORK/p12.ppm"
  interleave "ours=$CLI effect mirror-vertical $WORK/p12.jpg $WORK/mirror.jpg" \
    "pipe=djpeg $WORK/p12.jpg | cjpeg -quality 90 >$WORK/pipe.jpg" \
    "djpeg=djpeg $WORK/p12.jpg >/dev/null" "cjpeg=cjpeg -quality 90 $WORK/p12.ppm >/dev/null"
  # A pipeline's two processes run at once: their peaks add up.
  local pipe_peak
  pipe_peak=$(awk -v a="${PEAK[djpeg]}" -v b="${PEAK[cjpeg]}" 'BEGIN { printf "%.1f", a + b }')
  row "12 MP JPEG mirror, time" "$(ratio "${WALL[ours]}" "${WALL[pipe]}")x djpeg-cjpeg pipe (${WALL[ours]} s)" "<= 1.0x"
  row "12 MP JPEG mirror, memory" "$(ratio "${PEAK[ours]}" "$pipe_peak")x djpeg-cjpeg pipe (${PEAK[ours]} MiB)" "<= 2x"
}

# The pane's benchmarks print "case | ours | reference | ratio | goal" lines; each becomes a row.
trim() { sed 's/^ *//; s/ *$//' <<<"$1"; }
pane_rows() {
  local name ours reference ratio goal
  while IFS='|' read -r name ours reference ratio goal; do
    name=$(trim "$name") goal=$(trim "$goal")
    [[ -n $goal && $name != case ]] || continue
    row "$name" "$(trim "$ratio") ($(trim "$ours") vs $(trim "$reference"))" "$goal"
  done
}

case_tree() {
  echo "Opening tree nodes of 5,000 and 20,000 folders ..." >&2
  pane_rows < <("$HERE/../shellctl/run_tree_bench.sh" "$BENCH_BUILD/bench/shellctl/dir_tree_bench")
}

case_list() {
  echo "Showing 100,000 files and a first visit of 500 photographs in the list ..." >&2
  pane_rows < <("$HERE/../shellctl/run_list_bench.sh" "$BENCH_BUILD/bench/shellctl/bench_list" 100000 500 "$RUNS")
}

HERE=$(dirname "$(readlink -f "$0")")
for mp in 12 48 100; do case_jpeg_downscale "$mp"; done
case_icons
case_bmp_shrink
case_jpeg_mirror
if [[ -n $BENCH_BUILD ]]; then
  case_tree
  case_list
fi

echo
echo "Median of $RUNS interleaved runs, whole processes, references single-threaded; $(nproc) cores."
echo "Load before: $LOAD_BEFORE   after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-44s | %-32s | %-26s |\n' "Case" "Measured" "Goal"
printf '%s\n' "${ROWS[@]}"
