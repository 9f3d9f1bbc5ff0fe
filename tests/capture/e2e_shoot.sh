#!/usr/bin/env bash
# Drives the real program on the X display: "Shoot", "Start", a drag, F2, "&No", "Off"; then checks
# the shot file against the screen it was taken from and finds the shot in the opened document.
# Usage: e2e_shoot.sh <vistrel> <e2e_helper> <scale factor 1 or 2>
set -euo pipefail

VISTREL=$1
HELPER=$2
SCALE=$3
: "${DISPLAY:?needs an X display}"

WORK=$(mktemp -d)
APP_PID=
DESKTOP_PID=
cleanup() {
    local status=$?
    for pid in $APP_PID $DESKTOP_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
    exit "$status"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    cat "$WORK"/*.log >&2 2>/dev/null || true
    import -window root "$WORK/failure.png" 2>/dev/null && cp "$WORK/failure.png" "/tmp/vistrel_e2e_failure_x$SCALE.png"
    exit 1
}

# Prints the id of the visible window titled exactly $1, waiting up to $2 tenths of a second
# (default 10 s) for it.
wait_window() {
    for _ in $(seq "${2:-100}"); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    return 1
}

wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Sets X and Y (and W, H) to window $1's place on the screen.
place_of() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

click_at() { xdotool mousemove "$1" "$2" click 1; }

# Prints "X Y", the screen centre of the tool button captioned $1 (blanks as "_") as the program
# last reported it, waiting up to 10 s for the report: no guess of the window manager's frame.
button_at() {
    for _ in $(seq 100); do
        local line
        line=$(grep "^button $1 " "$WORK/vistrel.log" | tail -1 || true)
        if [ -n "$line" ]; then echo "$line" | cut -d' ' -f3,4; return 0; fi
        sleep 0.1
    done
    return 1
}

# Clicks at ($1, $2) until the window titled $3 shows, at most five times: on a busy machine a
# click can land while the window under it is still being set up, and is lost.
click_until() {
    for _ in 1 2 3 4 5; do
        click_at "$1" "$2"
        wait_window "$3" 30 && return 0
    done
    return 1
}

# The shot must show in the document window; the first paint may take a moment under load.
shot_shown_in() {
    for _ in $(seq 20); do
        import -window root "$WORK/after.png"
        place_of "$1"
        "$HELPER" locate "$WORK/after.png" "$SHOT" "$SCALE" "$X" "$Y" "$WIDTH" "$HEIGHT" >/dev/null && return 0
        sleep 0.5
    done
    return 1
}

# A display that was just started may not answer yet.
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A desktop whose every pixel is known: the shot must hold exactly these pixels.
convert -size 1280x1024 xc: -sparse-color Bilinear '0,0 #e04030 1279,0 #30a0e0 0,1023 #40e060 1279,1023 #f0e020' \
    \( -size 1280x1024 pattern:checkerboard -alpha set -channel A -evaluate set 35% \) -composite "$WORK/desktop.png"
"$HELPER" show "$WORK/desktop.png" >"$WORK/desktop.log" 2>&1 &
DESKTOP_PID=$!
wait_window e2e-desktop >/dev/null || fail "the test desktop did not appear"
xdotool mousemove 1200 1000

mkdir -p "$WORK/home"
VISTREL_HOME="$WORK/home" VISTREL_REPORT_BUTTONS=1 QT_SCALE_FACTOR=$SCALE "$VISTREL" >"$WORK/vistrel.log" 2>&1 &
APP_PID=$!

main=$(wait_window -) || fail "the main window did not appear"
sleep 0.3 # a window manager places the window after it appears; the program reports the move
read -r SX SY <<<"$(button_at Shoot)" || fail "the program did not report its Shoot button"
launcher=$(click_until "$SX" "$SY" StartF) || fail "Shoot did not open the launcher"
wait_gone - || fail "the main window stayed visible beside the launcher"

sleep 0.3
read -r BX BY <<<"$(button_at Start)" || fail "the launcher did not report its Start button"
click_until "$BX" "$BY" EraseF >/dev/null || fail "Start did not open the overlay"
sleep 1

# Drag from (300, 200) to (100, 50) in the program's logical pixels.
xdotool mousemove $((300 * SCALE)) $((200 * SCALE)) mousedown 1
xdotool mousemove $((200 * SCALE)) $((120 * SCALE))
xdotool mousemove $((100 * SCALE)) $((50 * SCALE)) mouseup 1
sleep 0.2
xdotool key F2
wait_window Information >/dev/null || fail "F2 showed no capture message"
xdotool key alt+n
wait_gone EraseF || fail "No did not close the overlay"
wait_window StartF >/dev/null || fail "the launcher did not come back"

read -r OX OY <<<"$(button_at Off)" || fail "the launcher did not report its Off button"
main=$(click_until "$OX" "$OY" -) || fail "Off did not bring the main window back"
wait_gone StartF || fail "Off left the launcher open"

SHOT="$WORK/home/Shots/SShot2_0.jpg"
[ -f "$SHOT" ] || fail "no $SHOT"
size=$(identify -format '%wx%h' "$SHOT")
[ "$size" = "$((198 * SCALE))x$((148 * SCALE))" ] || fail "shot is $size"
convert "$WORK/desktop.png" -crop "$((198 * SCALE))x$((148 * SCALE))+$((101 * SCALE))+$((51 * SCALE))" +repage \
    "$WORK/expected.png"
error=$( (compare -metric RMSE "$SHOT" "$WORK/expected.png" null: 2>&1 || true) | sed 's/.*(\(.*\))/\1/')
awk -v e="$error" 'BEGIN { exit !(e < 0.02) }' || fail "shot differs from the screen (RMSE $error)"

shot_shown_in "$main" || fail "the main window shows no document with the shot"
echo "capture end to end at scale $SCALE: 1 passed, 0 failed"
