#!/usr/bin/env bash
# Text recognition: vistrel-cli ocr against the tesseract command on the same rendered sentences,
# taking turns file by file. Sentences are drawn at random from a word list on every run (SEED
# repeats one), set in DejaVu Sans and Serif at 11 to 24 pixels, dark on light and light on dark.
# Prints each tool's time, the ratio, and the character accuracy (1 - edit distance / length).
# Usage: run_ocr_bench.sh PATH/TO/vistrel-cli [COUNT] [SEED]
set -euo pipefail

CLI=${1:?usage: run_ocr_bench.sh PATH/TO/vistrel-cli [COUNT] [SEED]}
COUNT=${2:-24}
SEED=${3:-$(($(date +%s) % 32768))}
RANDOM=$SEED
MAGICK=/usr/bin/convert # the real ImageMagick, not a wrapper earlier on PATH
for tool in "$MAGICK" tesseract awk; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

WORDS=(able about above across after again against almost along also always among amount angle
  animal answer apple april area argue around arrive autumn basket beach became before begin behind
  below beside better beyond bicycle birthday blanket border bottle branch bread bridge bright broken
  brother butter button cabin camera candle carbon carpet castle cattle cellar chance change chapter
  cheese cherry circle citizen climate clock cloud coffee colour copper corner cotton country cousin
  crystal danger dinner doctor double dragon drawer during eager early eastern effort eleven empire
  engine evening exact famous farmer father feather fellow figure finger flower forest fortune
  fountain friday frozen future garden gentle giant ginger golden gravel guitar hammer harbour
  harvest heavy hidden history hollow honest hunger island jacket jungle kettle kitchen ladder lantern
  lemon letter listen little lizard market meadow metal middle minute mirror modern monday mountain
  narrow needle nephew night number object ocean office orange orbit packet paper parcel pencil pepper
  person pillow planet pocket potato powder public purple puzzle quarter quiet rabbit record ribbon
  river rocket saddle salmon second secret shadow silver simple sister socket spider spring square
  summer sunday supper tablet thirty thunder ticket timber tomato travel tunnel turkey twelve velvet
  village violet walnut window winter wooden yellow zebra)
FONTS=(DejaVu-Sans DejaVu-Serif)
SIZES=(11 12 13 14 16 18 20 24)

sentence() {
  local n=$((7 + RANDOM % 5)) words=() i
  for ((i = 0; i < n; i++)); do words+=("${WORDS[RANDOM % ${#WORDS[@]}]}"); done
  words[0]=${words[0]^}
  ((RANDOM % 3 == 0)) && words[RANDOM % n]=$((RANDOM % 900 + 10))
  echo "${words[*]}."
}

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Wall time of one run in microseconds; its output goes to $2.
micros() {
  local out=$1 start end
  shift
  start=$(date +%s%N)
  "$@" >"$out" 2>/dev/null || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

# Characters right out of expected, by edit distance over the whitespace-collapsed texts.
score() {
  awk -v a="$1" -v b="$2" 'BEGIN {
    n = length(a); m = length(b)
    for (j = 0; j <= m; j++) prev[j] = j
    for (i = 1; i <= n; i++) {
      cur[0] = i; ca = substr(a, i, 1)
      for (j = 1; j <= m; j++) {
        c = prev[j - 1] + (ca != substr(b, j, 1))
        if (prev[j] + 1 < c) c = prev[j] + 1
        if (cur[j - 1] + 1 < c) c = cur[j - 1] + 1
        cur[j] = c
      }
      for (j = 0; j <= m; j++) prev[j] = cur[j]
    }
    right = n - prev[m]; print (right < 0 ? 0 : right)
  }'
}

flat() { tr -s ' \n\f\t' ' ' <"$1" | sed 's/^ //; s/ $//'; }

ours_us=0 tess_us=0 total=0 ours_right=0 tess_right=0
printf '%-13s %4s %-5s %8s %8s\n' font px ground ours% tess%
for ((k = 0; k < COUNT; k++)); do
  text=$(sentence)
  font=${FONTS[k % 2]}
  size=${SIZES[RANDOM % ${#SIZES[@]}]}
  if ((k / 2 % 2)); then ground=dark fg='#e8e8e8' bg='#1e1e24'; else ground=light fg='#141414' bg='#fafafa'; fi
  img="$WORK/s$k.png"
  "$MAGICK" -density 72 -background "$bg" -fill "$fg" -font "$font" -pointsize "$size" label:"$text" \
    -bordercolor "$bg" -border "$size" -define png:color-type=2 "$img"
  ours_us=$((ours_us + $(micros "$WORK/ours.txt" "$CLI" ocr "$img")))
  tess_us=$((tess_us + $(micros "$WORK/tess.txt" tesseract "$img" -)))
  ours=$(score "$text" "$(flat "$WORK/ours.txt")")
  tess=$(score "$text" "$(flat "$WORK/tess.txt")")
  total=$((total + ${#text})) ours_right=$((ours_right + ours)) tess_right=$((tess_right + tess))
  printf '%-13s %4s %-5s %8.1f %8.1f\n' "$font" "$size" "$ground" \
    "$(awk -v r="$ours" -v t="${#text}" 'BEGIN { print 100 * r / t }')" \
    "$(awk -v r="$tess" -v t="${#text}" 'BEGIN { print 100 * r / t }')"
done
awk -v s="$SEED" -v o="$ours_us" -v t="$tess_us" -v n="$COUNT" -v c="$total" -v or="$ours_right" -v tr="$tess_right" 'BEGIN {
  printf "%d sentences, %d characters (seed %d):\n", n, c, s
  printf "  vistrel-cli ocr: %.2f s, accuracy %.2f %%\n", o / 1e6, 100 * or / c
  printf "  tesseract IMG -: %.2f s, accuracy %.2f %%\n", t / 1e6, 100 * tr / c
  printf "  time ratio (vistrel-cli / tesseract): %.2f\n", o / t
}'
