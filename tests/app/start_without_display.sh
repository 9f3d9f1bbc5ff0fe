#!/usr/bin/env bash
# The real program started from a terminal without a usable display: help and version still
# print, anything else ends with one line on stderr and status 1, never Qt's abort.
# Usage: start_without_display.sh <vistrel>
set -uo pipefail
VISTREL=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0

# expect STATUS STDOUT-PATTERN STDERR-LINES ENV... -- ARGS...; an empty pattern: no output at all
expect() {
    local status=$1 pattern=$2 lines=$3 environment=()
    shift 3
    while [ "$1" != -- ]; do environment+=("$1"); shift; done
    shift
    timeout 10 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${environment[@]}" "$VISTREL" "$@" \
        >"$WORK/out" 2>"$WORK/err" </dev/null
    local got=$? errors
    errors=$(wc -l <"$WORK/err")
    local printed=true
    if [ -n "$pattern" ]; then grep -q "$pattern" "$WORK/out" || printed=false; else [ ! -s "$WORK/out" ] || printed=false; fi
    if [ "$got" != "$status" ] || ! $printed || [ "$errors" != "$lines" ]; then
        echo "FAIL: vistrel $* (${environment[*]}): status $got, $errors stderr lines" >&2
        cat "$WORK/out" "$WORK/err" >&2
        failures=$((failures + 1))
    fi
}

expect 0 '^vistrel [0-9]' 0 -- --version
expect 0 '^Usage: vistrel' 0 -- --help
expect 0 '^Usage: vistrel' 0 -- -h
expect 2 '' 10 -- --no-such-option
expect 1 '' 1 -- picture.jpg
expect 1 '' 1 DISPLAY=:7979 -- picture.jpg

echo "start without a display: $((6 - failures)) passed, $failures failed"
[ "$failures" = 0 ]
