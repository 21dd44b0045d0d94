# What the shell suites share; sourced. A loaded machine starts a window,
# weston or a DNS server in seconds: 180 leaves a wide margin. A wait that runs
# out names what never came, and the suite's later waits fail at once, so a
# program that hangs fails its suite within one wait.
WAIT=180 passed=0 failed=0 gave_up=
# check WHAT COMMAND...: runs and counts it; what it printed shows if it fails
check() {
    local what=$1 log
    shift
    log=$(mktemp)
    if "$@" >"$log" 2>&1; then
        passed=$((passed + 1)) && echo "ok: $what"
    else
        failed=$((failed + 1)) && echo "FAILED: $what" && cat "$log"
    fi
    rm -f "$log"
}
# waitfor PID COMMAND...: until the command succeeds, while the process lives
waitfor() {
    local pid=$1 end=$((SECONDS + WAIT))
    shift
    [ -z "$gave_up" ] || { echo "not waited for, as an earlier wait ran out: $*" && return 1; }
    until "$@" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "process $pid ended first: $*" && return 1; }
        [ $SECONDS -lt $end ] || { gave_up=1 && echo "never came within $WAIT s: $*" && return 1; }
        sleep 0.1
    done
}
# bounded COMMAND...: the command, ended after WAIT seconds (none once one ran out)
bounded() { [ -z "$gave_up" ] && timeout "$WAIT" "$@"; }
# finish NAME: the closing count, and the suite's status
finish() {
    echo "$1: $passed passed, $failed failed"
    [ "$failed" = 0 ]
}
