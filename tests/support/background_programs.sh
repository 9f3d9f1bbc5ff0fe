# For test scripts that start programs, sourced after WORK, a fresh folder, is set.
#   start NAME COMMAND...   runs COMMAND in the background, its output in $WORK/NAME.log; every
#                           program started is stopped, last first, when the script ends, and
#                           WORK is removed
#   within TENTHS COMMAND...  waits up to TENTHS tenths of a second for COMMAND to succeed
#   fail MESSAGE            reports the failure with the programs' logs (and whatever the
#                           script's own before_failing adds) and ends the script

PIDS=()
stop_programs() {
    local status=$?
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
    exit "$status"
}
trap stop_programs EXIT
trap "exit 124" TERM INT

start() {
    local name=$1
    shift
    "$@" >"$WORK/$name.log" 2>&1 &
    PIDS+=($!)
}

within() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

fail() {
    echo "FAIL: $*" >&2
    for log in "$WORK"/*.log; do echo "--- $log" >&2; tail -20 "$log" >&2; done
    if declare -F before_failing >/dev/null; then before_failing >&2 || true; fi
    exit 1
}
