#!/bin/bash
# The real viewer opening files under a private Xvfb: without a parameter its
# file dialog comes up and the file typed into it opens; Ctrl+O opens a second
# file through the same dialog; --help prints and creates no window.
set -u

. "$(dirname "$0")/../support/xvfb.sh"

fail=0
check() {  # check NAME CONDITION-RESULT
    if [ "$2" = 0 ]; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi
}
games() {  # games FILE COUNT
    for i in $(seq 1 "$2"); do
        printf '[Event "E%d"]\n[White "W%d"]\n[Black "B"]\n[Result "*"]\n\n1. e4 e5 {MATCH} *\n\n' "$i" "$i"
    done >"$1"
}
# Types a path into the file dialog of the running viewer and confirms it.
choose_in_dialog() {
    local dialog
    dialog=$(timeout 15 xdotool search --sync --onlyvisible --name '^Open a game file$' 2>/dev/null | head -1)
    [ -n "$dialog" ] || return 1
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    sleep 0.3
    xdotool type --delay 5 "$1"
    xdotool key --clearmodifiers Return
    # The name field's completion may take the first Return.
    sleep 0.5
    xdotool search --onlyvisible --name '^Open a game file$' >/dev/null 2>&1 && xdotool key --clearmodifiers Return
    return 0
}
title_is() {  # title_is EXPECTED: waits up to 20 s for a window with that exact title
    for _ in $(seq 1 200); do
        for w in $(xdotool search --onlyvisible --name '^Quarzel PGN Viewer 1\.01' 2>/dev/null); do
            [ "$(xdotool getwindowname "$w")" = "$1" ] && return 0
        done
        sleep 0.1
    done
    return 1
}

A="$WORK/first.pgn"
B="$WORK/second.pgn"
games "$A" 2
games "$B" 3

# 1. --help prints its usage, exits 0 and opens no window.
out=$(timeout 10 "$BIN" --help); rc=$?
[ $rc = 0 ] && [ "$(printf '%s\n' "$out" | head -1)" = "usage: quarzel [--help | --version] [--] [FILE]" ]
check "--help prints the usage and exits 0" $?
[ -z "$(xdotool search --name 'Quarzel' 2>/dev/null)" ]
check "--help created no window" $?

# 2. No parameter: the file chosen in the dialog opens.
(cd "$WORK" && exec "$BIN") >"$WORK/app-dialog.log" 2>&1 &
APP_PID=$!
choose_in_dialog "$A"
check "without a parameter the file dialog comes up" $?
title_is "Quarzel PGN Viewer 1.01   [$A]   2 games"
check "the file chosen in the dialog opens" $?

# 3. Ctrl+O: a second file through the same dialog replaces the first.
WID=$(xdotool search --onlyvisible --name '^Quarzel PGN Viewer 1\.01' 2>/dev/null | head -1)
xdotool windowfocus --sync "$WID" 2>/dev/null
xdotool key --clearmodifiers ctrl+o
choose_in_dialog "$B"
check "Ctrl+O brings up the file dialog" $?
title_is "Quarzel PGN Viewer 1.01   [$B]   3 games"
check "the second file replaces the first" $?
kill -0 "$APP_PID" 2>/dev/null
check "one process throughout" $?

if [ "$fail" != 0 ]; then
    for log in "$WORK"/*.log; do echo "--- $log"; cat "$log"; done
fi
exit $fail
