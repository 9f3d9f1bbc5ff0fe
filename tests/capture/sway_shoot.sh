#!/usr/bin/env bash
# The real program on a real Wayland compositor with the real desktop portal, as a user has them:
# sway headless inside its own session bus, with pipewire, xdg-desktop-portal and its wlr and gtk
# backends. Shoot, Start, a drag, F1, the question answered "Yes" by keyboard, F2, the question
# answered "No" by mouse, Ctrl+C to the clipboard, then a shot that cannot be written and its message, Off; both shots must
# hold the pixels the compositor shows there. The
# mouse and the keys come through wayvnc from the test's own VNC client: a headless seat has none.
# Usage: sway_shoot.sh <vistrel> <e2e_helper> <vnc_input> <output scale: 1, 1.5 or 2>
# Exit status 77 (skipped) with the reason when the stack is not installed or cannot start.
set -euo pipefail

VISTREL=$1
HELPER=$2
VNC_INPUT=$3
SCALE=$4
SKIPPED=77
TEST_USER=vistrel-ci # sway refuses to run as root

skip() { echo "SKIP: $*"; exit "$SKIPPED"; }

if [ "${5:-}" != --inside ]; then
    for program in sway swaymsg wayvnc grim wl-paste pipewire dbus-run-session dbus-send runuser compare \
        /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk; do
        command -v "$program" >/dev/null || skip "$program is not installed (scripts/install-deps.sh installs it)"
    done
    compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null \
        || skip "Qt's Wayland platform plugin (qt6-wayland) is not installed"
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
    # The user reads the programs and the script from a folder of its own.
    cp "$VISTREL" "$HELPER" "$VNC_INPUT" "$0" "$(dirname "$0")/../support/background_programs.sh" "$WORK/"
    chmod -R a+rX "$WORK"
    inside=("$WORK/$(basename "$0")" "$WORK/$(basename "$VISTREL")" "$WORK/$(basename "$HELPER")"
            "$WORK/$(basename "$VNC_INPUT")" "$SCALE" --inside "$WORK")
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        id "$TEST_USER" >/dev/null 2>&1 || useradd --system --create-home --shell /bin/sh "$TEST_USER" \
            || skip "cannot create the user $TEST_USER to run sway as"
        chown -R "$TEST_USER" "$WORK"
        as_user=(runuser -u "$TEST_USER" -- env -i PATH="$PATH" LANG=C.UTF-8
                 HOME="$(getent passwd "$TEST_USER" | cut -d: -f6)")
    fi
    status=0
    timeout -k 5 150 "${as_user[@]}" dbus-run-session -- "${inside[@]}" || status=$?
    [ "$status" = 124 ] && echo "FAIL: the run did not finish in time" >&2
    exit "$status"
fi

WORK=$6
export XDG_RUNTIME_DIR="$WORK/run" XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
mkdir -m 700 "$XDG_RUNTIME_DIR"
source "$WORK/background_programs.sh"
before_failing() {
    swaymsg -t get_seats
    grim "/tmp/vistrel_sway_failure_x$SCALE.png" && echo "screen: /tmp/vistrel_sway_failure_x$SCALE.png"
}

# The logical desktop is 1280x800 at every scale; the output has that many pixels times the scale.
read -r WIDTH HEIGHT < <(awk -v s="$SCALE" 'BEGIN { printf "%d %d\n", 1280 * s, 800 * s }')
cat >"$WORK/sway.config" <<EOF
output HEADLESS-1 mode ${WIDTH}x${HEIGHT} scale $SCALE bg #204060 solid_color
default_border none
default_floating_border none
focus_follows_mouse no
for_window [app_id="org.vistrel.Vistrel"] floating enable, move position 0 0
EOF
start pipewire pipewire
start sway sway --config "$WORK/sway.config"
within 100 compgen -G "$XDG_RUNTIME_DIR/wayland-*" || skip "sway did not start: $(tail -3 "$WORK/sway.log" | tr '\n' ' ')"
socket=$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]" | head -1)
export WAYLAND_DISPLAY=${socket##*/}
export SWAYSOCK
within 50 compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || skip "sway opened no IPC socket"
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -1)
within 50 swaymsg -t get_outputs || skip "sway does not answer on its socket"
# The portal starts its backends through the bus, which must know the session.
dbus-update-activation-environment WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_RUNTIME_DIR
VNC_PORT=$((20000 + RANDOM % 20000))
start wayvnc wayvnc 127.0.0.1 "$VNC_PORT"
within 100 "$VNC_INPUT" "$VNC_PORT" move:0,0 || skip "wayvnc did not start: $(tail -3 "$WORK/wayvnc.log" | tr '\n' ' ')"
start portal-wlr /usr/libexec/xdg-desktop-portal-wlr
start portal /usr/libexec/xdg-desktop-portal
portal_offers_screenshots() {
    dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
        org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.Screenshot string:version \
        | grep -q 'uint32 [1-9]'
}
within 100 portal_offers_screenshots || fail "the portal offers no screenshots"

# A desktop whose every pixel differs from its neighbours', filling the output.
convert -size ${WIDTH}x${HEIGHT} xc: -sparse-color Bilinear "0,0 #e04030 $WIDTH,0 #30a0e0 0,$HEIGHT #40e060 $WIDTH,$HEIGHT #f0e020" \
    \( -size ${WIDTH}x${HEIGHT} pattern:checkerboard -alpha set -channel A -evaluate set 35% \) -composite "$WORK/desktop.png"
QT_QPA_PLATFORM=wayland start desktop "$HELPER" show "$WORK/desktop.png"

has_window() {
    local tree
    tree=$(swaymsg -t get_tree) && grep -q "\"name\": \"$1\"" <<<"$tree"
}
wait_window() { within 150 has_window "$1" || fail "no window '$1' appeared"; }
wait_gone() { within 150 eval "! has_window '$1'" || fail "the window '$1' stayed"; }

# The output's pixel at the desktop's logical point ($1, $2), as "move:X,Y" for vnc_input.
at() { awk -v s="$SCALE" -v x="$1" -v y="$2" 'BEGIN { printf "move:%d,%d\n", x * s, y * s }'; }
input() { "$VNC_INPUT" "$VNC_PORT" "$@" || fail "input $* did not arrive"; }
click() { input "$(at "$1" "$2")" down up; }

# The logical position of the button captioned $1 as the program last reported it (device
# pixels within its window, which sway puts at the desktop's corner).
button_at() {
    local line
    within 100 grep -q "^button $1 " "$WORK/vistrel.log" || fail "the program did not report its button $1"
    line=$(grep "^button $1 " "$WORK/vistrel.log" | tail -1)
    awk '{ printf "%d %d\n", $3 / $5, $4 / $5 }' <<<"$line"
}
click_button() {
    local x y
    read -r x y < <(button_at "$1")
    click "$x" "$y"
}

wait_window e2e-desktop
mkdir "$WORK/home"
VISTREL_HOME="$WORK/home" VISTREL_REPORT_BUTTONS=1 QT_QPA_PLATFORM=wayland start vistrel "$VISTREL"
wait_window -
sleep 0.5
click_button Shoot
wait_window StartF
sleep 0.5
# What the compositor shows where the shots will be taken; the launcher stays in the corner.
grim -o HEADLESS-1 "$WORK/screen.png"
click_button Start
wait_window EraseF
sleep 1

# A drag from (1101, 701) to (899, 549): the shot is the rectangle inside the outline,
# (900, 550) to (1100, 700), whole pixels at every scale.
input "$(at 1101 701)" down "$(at 1000 620)" "$(at 899 549)" up
sleep 0.3

input key:ffbe # F1
within 100 grep -q '^button &Yes ' "$WORK/vistrel.log" || fail "F1 asked no question"
sleep 0.5
input key:79 # y
within 100 test -f "$WORK/home/Shots/SShot1_0.jpg" || fail "F1 wrote no shot"
sleep 0.5
has_window EraseF || fail "Yes by keyboard closed the overlay"

# Ctrl+C copies the same rectangle without a file, and the overlay stays.
input hold:ffe3 key:63 release:ffe3
clipboard_has_image() { wl-paste --list-types | grep -qx image/png; }
within 100 clipboard_has_image || fail "Ctrl+C put no picture on the clipboard"
wl-paste --type image/png >"$WORK/clipboard.png"
has_window EraseF || fail "Ctrl+C closed the overlay"

asked=$(grep -c '^button &No ' "$WORK/vistrel.log")
input key:ffbf # F2
asked_again() { [ "$(grep -c '^button &No ' "$WORK/vistrel.log")" -gt "$asked" ]; }
within 100 asked_again || fail "F2 asked no question"
sleep 0.3
click_button '&No'
wait_gone EraseF
wait_window StartF
sleep 0.5

# A shot that cannot be written ends the capture, and its message takes the keys.
chmod a-w "$WORK/home/Shots"
click_button Start
wait_window EraseF
sleep 1
input key:ffc0 # F3
wait_gone EraseF
wait_window Error
sleep 0.5
input key:ff0d # Return
wait_gone Error
wait_window StartF
chmod u+w "$WORK/home/Shots"
sleep 0.5
click_button Off
wait_window -
wait_gone StartF

read -r CW CH CX CY < <(awk -v s="$SCALE" 'BEGIN { printf "%d %d %d %d\n", 200 * s, 150 * s, 900 * s, 550 * s }')
convert "$WORK/screen.png" -crop "${CW}x${CH}+${CX}+${CY}" +repage "$WORK/expected.png"
[ "$(ls "$WORK/home/Shots")" = "$(printf 'SShot1_0.jpg\nSShot2_0.jpg')" ] || fail "Ctrl+C wrote a file"
for file in "$WORK/home/Shots/SShot1_0.jpg" "$WORK/home/Shots/SShot2_0.jpg" "$WORK/clipboard.png"; do
    shot=$(basename "$file")
    [ -f "$file" ] || fail "no $shot"
    size=$(identify -format '%wx%h' "$file")
    [ "$size" = "${CW}x${CH}" ] || fail "$shot is $size, not ${CW}x${CH}"
    error=$( (compare -metric RMSE "$file" "$WORK/expected.png" null: 2>&1 || true) | sed 's/.*(\(.*\))/\1/')
    awk -v e="$error" 'BEGIN { exit !(e < 0.02) }' || fail "$shot differs from the screen (RMSE $error)"
done
leftovers=$(find /tmp "$XDG_RUNTIME_DIR" -maxdepth 1 -name '*.png' -user "$(id -u)" -newer "$WORK/sway.config" 2>/dev/null || true)
[ -z "$leftovers" ] || fail "the portal's pictures were left behind: $leftovers"
echo "capture on sway at scale $SCALE: 1 passed, 0 failed"
