#!/bin/bash
# Starts the real viewer under a private Xvfb: a three-game file gives the
# counted window title; no parameter (its file dialog cancelled with Escape)
# and a missing path each give a message box, the program ends after Enter,
# and nothing is created.
set -u

. "$(dirname "$0")/../support/xvfb.sh"

fail=0
check() {  # check NAME CONDITION-RESULT
    if [ "$2" = 0 ]; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi
}

# Waits (up to 10 s) for the process to end; 0 when it did.
wait_exit() {
    for _ in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null; return 0; }
        sleep 0.1
    done
    return 1
}

# The id of a visible window of the program that is not the main window (623 wide).
message_box() {
    for _ in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || return 1
        for w in $(xdotool search --onlyvisible --name '^Quarzel PGN Viewer$' 2>/dev/null); do
            geo=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
            if [ -n "$geo" ] && [ "${geo%%x*}" != "623" ]; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

# 1. Three games: the title counts them.
GAMES="$WORK/three games.pgn"
for i in 1 2 3; do
    printf '[Event "E%d"]\n[White "W%d"]\n[Black "B"]\n[Result "*"]\n\n1. e4 e5 {MATCH} *\n\n' "$i" "$i"
done >"$GAMES"
"$BIN" "$GAMES" >"$WORK/app1.log" 2>&1 &
APP_PID=$!
EXPECTED="Quarzel PGN Viewer 1.01   [$GAMES]   3 games"
WID=$(timeout 15 xdotool search --sync --onlyvisible --name '^Quarzel PGN Viewer 1\.01' 2>/dev/null | head -1)
TITLE=""
[ -n "$WID" ] && TITLE=$(xdotool getwindowname "$WID")
[ "$TITLE" = "$EXPECTED" ]
check "title of a three-game file is '$EXPECTED' (got '$TITLE')" $?
kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
APP_PID=""

# 2. No parameter, 3. a missing path: a message box, Enter ends the program.
MISSING="$WORK/missing.pgn"
for case in none missing; do
    if [ "$case" = none ]; then
        (cd "$WORK" && exec "$BIN") >"$WORK/app-$case.log" 2>&1 &
        DIALOG=$(timeout 15 xdotool search --sync --onlyvisible --name '^Open a game file$' 2>/dev/null | head -1)
        [ -n "$DIALOG" ]
        check "none: the file dialog comes up" $?
        xdotool windowfocus --sync "$DIALOG" 2>/dev/null
        xdotool key --clearmodifiers Escape
    else
        "$BIN" "$MISSING" >"$WORK/app-$case.log" 2>&1 &
    fi
    APP_PID=$!
    BOX=$(message_box "$APP_PID")
    [ -n "$BOX" ]
    check "$case: a message box is shown" $?
    sleep 0.3
    kill -0 "$APP_PID" 2>/dev/null
    check "$case: the program waits for the message to be closed" $?
    if [ -n "$BOX" ]; then
        xdotool windowfocus --sync "$BOX" 2>/dev/null
        xdotool key --clearmodifiers Return
    fi
    wait_exit "$APP_PID"
    check "$case: the program ends after Enter" $?
    kill "$APP_PID" 2>/dev/null
    APP_PID=""
done
[ ! -e "$MISSING" ]
check "no file is created for the missing path" $?
[ -z "$(ls -A "$WORK" | grep -v -e '^runtime$' -e '^home$' -e '^display$' -e '\.log$' -e '^three games.pgn$')" ]
check "nothing else appears in the working folder" $?

if [ "$fail" != 0 ]; then
    for log in "$WORK"/*.log; do echo "--- $log"; cat "$log"; done
fi
exit $fail
