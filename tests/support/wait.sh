# Sourced by the end-to-end tests (through xvfb.sh): every wait has a limit.
# A wait that runs out ends the test at once, saying what it waited for; when
# the viewer (APP_PID) still runs, the backtraces of its threads come first,
# so a viewer that stopped answering shows where it stopped.
WAIT_LIMIT=${WAIT_LIMIT:-15}  # seconds for one wait
TEST_LIMIT=${TEST_LIMIT:-45}  # seconds for the whole test (CTest stops it at 60)

# Prints the backtrace of every thread of the viewer, when it runs.
viewer_threads() {
    if [ -z "${APP_PID:-}" ] || ! kill -0 "$APP_PID" 2>/dev/null; then
        echo "(the viewer is not running)"
    elif ! command -v gdb >/dev/null 2>&1; then
        echo "(gdb is not installed: no backtraces of the viewer)"
    else
        echo "--- threads of the viewer (pid $APP_PID):"
        timeout -k 1 10 gdb -batch -nx -iex 'set debuginfod enabled off' \
            -iex 'set print frame-arguments presence' -ex 'thread apply all bt' \
            -p "$APP_PID" </dev/null 2>&1 | grep -v -e '^\[New LWP' -e 'libthread_db' -e 'No such file or directory'
        echo "--- end of the viewer's threads"
    fi
}

# What the viewer said, in the logs the tests keep of it.
viewer_logs() {
    local log
    for log in "$WORK"/app*.log; do
        [ -s "$log" ] && { echo "--- $log"; cat "$log"; }
    done
}

# give_up WHAT: a wait ran out. Also ends the test when called in a subshell.
give_up() {
    { echo "FAIL: no result after waiting ${WAIT_LIMIT} s for $1"; viewer_threads; viewer_logs; } >&2
    [ -n "${APP_PID:-}" ] && kill -KILL "$APP_PID" 2>/dev/null
    [ "$BASHPID" = "$$" ] || kill -TERM $$
    exit 1
}

# limited WHAT COMMAND...: runs the command; gives up when it has not ended in time.
limited() {
    local what=$1 rc
    shift
    timeout -k 1 "$WAIT_LIMIT" "$@"
    rc=$?
    if [ $rc = 124 ] || [ $rc = 137 ]; then give_up "$what"; fi
    return $rc
}

# xdotool with the limit: --sync and every round trip to the server wait.
xdo() { limited "xdotool $* to return" xdotool "$@"; }

# wait_for WHAT COMMAND...: runs the command (or shell function, each try
# bounded) until it succeeds; gives up when the time is out.
wait_for() {
    local what=$1 end=$((SECONDS + WAIT_LIMIT))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || give_up "$what"
        sleep 0.1
    done
}

# find_window NAME-PATTERN: sets WID to the first visible window so named; fails when there is none.
find_window() {
    WID=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$WID" ]
}

# The processes started since the display was set up, with their ages: they
# carry the test's private runtime folder, also once their parent has gone.
test_processes() {
    local env
    for env in $(grep -l -s -z -x "XDG_RUNTIME_DIR=$WORK/runtime" /proc/[0-9]*/environ); do
        env=${env#/proc/}
        ps -o pid=,etime=,args= -p "${env%/environ}"
    done
}

# The last resort for a wait no helper bounds: after TEST_LIMIT seconds it
# shows what the test was running and where the viewer was, and ends the test.
# Stopped by the cleanup in xvfb.sh.
start_watchdog() {
    (
        trap 'kill "$nap" 2>/dev/null; exit 0' TERM
        sleep "$TEST_LIMIT" >/dev/null 2>&1 &
        nap=$!
        wait "$nap"
        APP_PID=$(pgrep -x -P $$ quarzel | head -1)
        { echo "FAIL: the test still runs after $TEST_LIMIT s; what it runs:"; test_processes; viewer_threads; viewer_logs; } >&2
        [ -n "$APP_PID" ] && kill -KILL "$APP_PID" 2>/dev/null
        kill -TERM $$
    ) &
    WATCHDOG_PID=$!
}
