#!/usr/bin/env bash
# Docks group windows under the menu entry whose StartupWMClass is the class in the windows'
# WM_CLASS: start the real program on the X display and compare the two.
# Usage: wm_class_matches_entry.sh <vistrel> <desktop entry>
set -euo pipefail
VISTREL=$1
ENTRY=$2
: "${DISPLAY:?needs an X display}"
WORK=$(mktemp -d)
APP_PID=
cleanup() {
    local status=$?
    if [ -n "$APP_PID" ]; then
        kill "$APP_PID" 2>/dev/null || true
        wait "$APP_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
    exit "$status"
}
trap cleanup EXIT

VISTREL_HOME="$WORK" "$VISTREL" >/dev/null 2>&1 &
APP_PID=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --pid "$APP_PID" --onlyvisible 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window appeared" >&2; exit 1; }

# WM_CLASS(STRING) = "instance", "class"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
wanted=$(sed -n 's/^StartupWMClass=//p' "$ENTRY")
[ -n "$wanted" ] || { echo "FAIL: the entry has no StartupWMClass" >&2; exit 1; }
[ "$class" = "$wanted" ] || { echo "FAIL: WM_CLASS class '$class', StartupWMClass '$wanted'" >&2; exit 1; }
echo "window class matches the menu entry: 1 passed, 0 failed"
