#!/usr/bin/env bash
# A picture copied in Vistrel stays on the clipboard after Vistrel quits, where a clipboard manager
# runs: xfsettingsd's (Xfce) takes it over when the program ends. The real program on the X display:
# a picture opened from the command line, "Select All" and "Copy to clipboard" from the picture's
# pop-up menu, the window closed; then the clipboard must still hold the picture's pixels.
# Usage: clipboard_outlives_program.sh <vistrel>; skipped (77) where xfsettingsd is not installed.
set -euo pipefail
VISTREL=$1
: "${DISPLAY:?needs an X display}"
command -v xfsettingsd >/dev/null || { echo "SKIP: xfsettingsd (xfce4-settings) is not installed"; exit 77; }
# A session bus of its own: the manager must not take over a desktop's settings.
[ -n "${CLIPBOARD_TEST_BUS:-}" ] || CLIPBOARD_TEST_BUS=1 exec timeout -k 5 90 dbus-run-session -- "$0" "$@"

WORK=$(mktemp -d)
source "$(dirname "$0")/../support/background_programs.sh"

start openbox openbox
start manager xfsettingsd --no-daemon --replace
convert -size 90x60 gradient:'#e04030-#30a0e0' -depth 8 "$WORK/picture.png"

VISTREL_HOME="$WORK" VISTREL_REPORT_BUTTONS=1 start vistrel "$VISTREL" "$WORK/picture.png"
APP_PID=${PIDS[-1]}
within 100 xdotool search --onlyvisible --pid "$APP_PID" || fail "the program showed no window"
main=$(xdotool search --onlyvisible --pid "$APP_PID" | head -1)
sleep 1

# The picture lies under the document's tool bar, whose "+" button the program reported.
read -r PX PY < <(grep '^button + ' "$WORK/vistrel.log" | tail -1 | awk '{ print $3 + 30, $4 + 45 }')
[ -n "$PX" ] || fail "the program did not report its document tool bar"
popup_item() { # the pop-up menu's item $1 down from the top
    xdotool mousemove "$PX" "$PY" click 3
    sleep 0.5
    for _ in $(seq "$1"); do xdotool key Down; done
    xdotool key Return
    sleep 0.3
}
popup_item 1 # Select All
popup_item 2 # Copy to clipboard
within 50 xclip -selection clipboard -t TARGETS -o || fail "nothing was copied"

xdotool windowactivate --sync "$main" key alt+F4
within 100 eval "! kill -0 $APP_PID" || fail "the program did not quit"
xclip -selection clipboard -t image/png -o >"$WORK/pasted.png" 2>/dev/null || fail "the clipboard is empty after the program quit"
difference=$(compare -metric AE "$WORK/picture.png" "$WORK/pasted.png" null: 2>&1 || true)
[ "$difference" = 0 ] || fail "the clipboard holds another picture ($difference pixels differ)"
echo "clipboard outlives the program: 1 passed, 0 failed"
