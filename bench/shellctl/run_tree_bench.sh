#!/usr/bin/env bash
# The directory tree's speed goals: opening nodes of 5,000 and 20,000 subfolders beside `ls -1U`,
# and the longest stall of the window meanwhile. Runs under Xvfb when there is no display.
# Usage: run_tree_bench.sh PATH/TO/dir_tree_bench
set -euo pipefail

BENCH=${1:?usage: run_tree_bench.sh PATH/TO/dir_tree_bench}
if [[ -n ${DISPLAY:-} ]]; then
  exec "$BENCH"
elif command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$BENCH"
else
  exec "$BENCH" # on the offscreen platform
fi
