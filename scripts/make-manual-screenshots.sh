#!/bin/sh
# Retakes the screenshots of the help manual (manual/screenshots/*.png) from the program's own
# windows on a virtual display. Commit the pictures it writes; the build folds them into Vistrel.hlp.
#   scripts/make-manual-screenshots.sh [BUILD_DIR]     (default: build/test)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/test}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target manual_screenshots -j2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A plain Qt style and font so the pictures do not depend on the machine's desktop settings.
VISTREL_HOME="$home" QT_STYLE_OVERRIDE=Fusion timeout 120 \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/manual/manual_screenshots" manual/screenshots
