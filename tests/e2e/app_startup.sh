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

# The process has ended (and is reaped).
ended() { ! kill -0 "$1" 2>/dev/null && { wait "$1" 2>/dev/null; true; }; }

# Sets BOX to a visible window of the program that is not the main window
# (623 wide at first start); ends the wait with BOX empty when the program has ended.
message_box() {
    local w geo
    BOX=""
    kill -0 "$APP_PID" 2>/dev/null || return 0
    for w in $(timeout 5 xdotool search --onlyvisible --name '^Quarzel PGN Viewer$' 2>/dev/null); do
        geo=$(timeout 5 xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
        if [ -n "$geo" ] && [ "${geo%%x*}" != "623" ]; then
            BOX=$w
            return 0
        fi
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
wait_for "the viewer's main window" find_window '^Quarzel PGN Viewer 1\.01'
TITLE=$(xdo getwindowname "$WID")
[ "$TITLE" = "$EXPECTED" ]
check "title of a three-game file is '$EXPECTED' (got '$TITLE')" $?
kill "$APP_PID" 2>/dev/null
wait_for "the viewer to end when told to" ended "$APP_PID"
APP_PID=""

# 2. No parameter, 3. a missing path: a message box, Enter ends the program.
MISSING="$WORK/missing.pgn"
for case in none missing; do
    if [ "$case" = none ]; then
        (cd "$WORK" && exec "$BIN") >"$WORK/app-$case.log" 2>&1 &
        APP_PID=$!
        wait_for "the file dialog" find_window '^Open a game file$'
        echo "ok: none: the file dialog comes up"
        xdo windowfocus --sync "$WID"
        xdo key --clearmodifiers Escape
    else
        "$BIN" "$MISSING" >"$WORK/app-$case.log" 2>&1 &
        APP_PID=$!
    fi
    wait_for "a message box" message_box
    [ -n "$BOX" ]
    check "$case: a message box is shown" $?
    sleep 0.3
    kill -0 "$APP_PID" 2>/dev/null
    check "$case: the program waits for the message to be closed" $?
    if [ -n "$BOX" ]; then
        xdo windowfocus --sync "$BOX"
        xdo key --clearmodifiers Return
    fi
    wait_for "the viewer to end after Enter" ended "$APP_PID"
    echo "ok: $case: the program ends after Enter"
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
