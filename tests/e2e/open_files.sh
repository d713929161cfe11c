#!/bin/bash
# The real viewer opening files under a private Xvfb: without a parameter its
# file dialog comes up and the file typed into it opens; Ctrl+O opens a second
# file through the same dialog; "-" reads a compressed pipe; --help prints and
# creates no window.
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
    wait_for "the file dialog" find_window '^Open a game file$'
    xdo windowfocus --sync "$WID"
    sleep 0.3
    xdo type --delay 5 "$1"
    xdo key --clearmodifiers Return
    # The name field's completion may take the first Return.
    sleep 0.5
    if find_window '^Open a game file$'; then xdo key --clearmodifiers Return; fi
}
titled() {  # titled TITLE: a window of the viewer has that exact title
    local w
    for w in $(timeout 5 xdotool search --onlyvisible --name '^Quarzel PGN Viewer 1\.01' 2>/dev/null); do
        [ "$(timeout 5 xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && return 0
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
[ -z "$(limited "a search for windows" xdotool search --name 'Quarzel' 2>/dev/null)" ]
check "--help created no window" $?

# 2. No parameter: the file chosen in the dialog opens.
(cd "$WORK" && exec "$BIN") >"$WORK/app-dialog.log" 2>&1 &
APP_PID=$!
choose_in_dialog "$A"
wait_for "the title of the file chosen in the dialog" titled "Quarzel PGN Viewer 1.01   [$A]   2 games"
echo "ok: the file chosen in the dialog opens"

# 3. Ctrl+O: a second file through the same dialog replaces the first.
wait_for "the viewer's main window" find_window '^Quarzel PGN Viewer 1\.01'
xdo windowfocus --sync "$WID"
xdo key --clearmodifiers ctrl+o
choose_in_dialog "$B"
wait_for "the title of the second file" titled "Quarzel PGN Viewer 1.01   [$B]   3 games"
echo "ok: the second file replaces the first"
kill -0 "$APP_PID" 2>/dev/null
check "one process throughout" $?

# 4. "-": the games of a compressed pipe on standard input.
gzip -c "$B" | "$BIN" - >"$WORK/app-stdin.log" 2>&1 &
STDIN_PID=$!
wait_for "the title of the games from standard input" titled "Quarzel PGN Viewer 1.01   [standard input]   3 games"
echo "ok: a gzip pipe on standard input opens"
kill "$STDIN_PID" 2>/dev/null

if [ "$fail" != 0 ]; then
    for log in "$WORK"/*.log; do echo "--- $log"; cat "$log"; done
fi
exit $fail
