#!/usr/bin/env bash
# The picture list's speed goals: a folder of 100,000 JPEGs (showing it against ls -1U, the first
# screen of tiles, every frame of a scroll to the bottom, peak memory) and a first visit of 500
# 12 MP JPEGs against vipsthumbnail. Prints "case | ours | reference | ratio | goal" lines.
# Usage: run_list_bench.sh PATH/TO/bench_list [FILES] [PHOTOS] [RUNS]
set -euo pipefail

BENCH=${1:?usage: run_list_bench.sh PATH/TO/bench_list [FILES] [PHOTOS] [RUNS]}
command -v vipsthumbnail >/dev/null || { echo "missing vipsthumbnail (scripts/install-deps.sh installs it)" >&2; exit 1; }
echo "Load before: $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=offscreen "$BENCH" "${2:-100000}" "${3:-500}" "${4:-5}"
echo "Load after: $(cut -d' ' -f1-3 /proc/loadavg)"
