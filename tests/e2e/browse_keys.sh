#!/bin/bash
# Browses a small file in the real viewer under a private Xvfb: keys jump
# between the marked positions and between games, and the copy commands of
# the Edit menu (those of the FEN and PGN buttons) put the position and the game on the system clipboard.
set -u

NEED_TOOLS="xclip"
. "$(dirname "$0")/../support/xvfb.sh"

fail=0
check() {  # check NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: expected '$2', got '$3'"; fail=1; fi
}

GAMES="$WORK/browse.pgn"
cat >"$GAMES" <<'PGN'
[Event "E1"]
[White "W1"]
[Black "B1"]
[Result "*"]

1. e4 e5 2. Nf3 {MATCH} Nc6 3. Bb5 a6 4. Ba4 {a MATCH again} Nf6 5. O-O {match} Be7 *

[Event "E2"]
[White "W2"]
[Black "B2"]
[Result "*"]

1. d4 d5 2. c4 e6 3. Nc3 {MATCH} Nf6 *

[Event "E3"]
[White "W3"]
[Black "B3"]
[Result "*"]

1. e4 c5 (1... e5 2. Nf3 Nc6 {MATCH inside a variation}) 2. Nf3 d6 *
PGN

"$BIN" "$GAMES" >"$WORK/app.log" 2>&1 &
APP_PID=$!
wait_for "the viewer's main window" find_window '^Quarzel PGN Viewer 1\.01'
xdo windowfocus --sync "$WID"
sleep 0.5

# clip KEY: runs an entry of the Edit menu by its underlined letter (f: copy
# the position as FEN, g: copy the game as PGN, as the two buttons do) and sets
# CLIP to what it put on the clipboard. First the clipboard holds a mark, and
# the key comes only once the mark reads back: xclip returns before its forked
# background process takes the clipboard, which on a busy machine can happen
# after the viewer's copy and replace it.
CLIP_FEN="f"
CLIP_PGN="g"
MARK="(nothing copied)"
clipboard_is_mark() { [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$MARK" ]; }
clipboard_is_new() {
    CLIP=$(timeout 5 xclip -o -selection clipboard 2>/dev/null)
    [ -n "$CLIP" ] && [ "$CLIP" != "$MARK" ]
}
clip() {
    printf '%s' "$MARK" | limited "xclip to start" xclip -selection clipboard >/dev/null 2>&1
    wait_for "xclip to own the clipboard" clipboard_is_mark
    xdo key --window "$WID" --clearmodifiers alt+e
    sleep 0.4
    xdo key --clearmodifiers "$1"
    wait_for "the viewer to copy through Edit > $1" clipboard_is_new
    xdo windowfocus --sync "$WID"
}
key() {
    xdo key --window "$WID" --clearmodifiers "$@"
    sleep 0.2
}
# check NAME EXPECTED BUTTON: clicks the button and compares the clipboard.
check_clip() {
    clip "$3"
    check "$1" "$2" "$CLIP"
}

# ClpFEN gives the true half-move clock and move number.
M1="rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"
M2="r1bqkbnr/1ppp1ppp/p1n5/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 1 4"
END1="r1bqk2r/1pppbppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 w kq - 4 6"
G2="rnbqkbnr/ppp2ppp/4p3/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR b KQkq - 1 3"
G3END="rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3"
G3MARK="r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"
START="rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

check_clip "start-up: game 1 at its first mark" "$M1" "$CLIP_FEN"
key c
check_clip "c: the next mark" "$M2" "$CLIP_FEN"
key c
check_clip "c without a later mark: game 2 at its first mark" "$G2" "$CLIP_FEN"
key e
check_clip "e before game 2's first mark: game 1 at its last mark" "$M2" "$CLIP_FEN"
key e
check_clip "e: the first mark" "$M1" "$CLIP_FEN"
key y
check_clip "y: the end of the game" "$END1" "$CLIP_FEN"
key q
check_clip "q: the starting position" "$START" "$CLIP_FEN"
key x
check_clip "x: game 2 at its mark" "$G2" "$CLIP_FEN"
key x
check_clip "x: game 3 at the mark inside its variation" "$G3MARK" "$CLIP_FEN"
key y
check_clip "y: the end of game 3's main line" "$G3END" "$CLIP_FEN"
key w
key w
check_clip "w w: back to game 1 at its first mark" "$M1" "$CLIP_FEN"
key KP_3
check_clip "keypad 3: the next mark" "$M2" "$CLIP_FEN"
key KP_2
check_clip "keypad 2: the next game" "$G2" "$CLIP_FEN"
key Down Return
check_clip "Down and Enter: game 3 loaded" "$G3MARK" "$CLIP_FEN"
clip "$CLIP_PGN"
case "$CLIP" in *'[White "W3"]'*'Nf3 d6'*) r=yes ;; *) r=no ;; esac
check "ClpPGN: game 3 as PGN" yes "$r"

kill -0 "$APP_PID" 2>/dev/null
check "the viewer is still running" 0 $?
if [ "$fail" != 0 ]; then
    echo "--- app.log"
    cat "$WORK/app.log"
fi
exit $fail
