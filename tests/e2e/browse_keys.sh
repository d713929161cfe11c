#!/bin/bash
# Browses a small file in the real viewer under a private Xvfb: keys jump
# between the marked positions and between games, and the ClpFEN and ClpPGN
# buttons put the position and the game on the system clipboard.
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
WID=$(timeout 15 xdotool search --sync --onlyvisible --name '^Quarzel PGN Viewer 1\.01' 2>/dev/null | head -1)
if [ -z "$WID" ]; then
    echo "FAIL: the viewer window did not appear"
    cat "$WORK/app.log"
    exit 1
fi
xdotool windowfocus --sync "$WID" 2>/dev/null
sleep 0.5

# Clicks a button (by its centre in the window) and prints the clipboard.
CLIP_FEN="536 460"
CLIP_PGN="592 460"
clip() {
    printf '' | xclip -selection clipboard 2>/dev/null
    # shellcheck disable=SC2086
    xdotool mousemove --window "$WID" $1 click 1
    local text=""
    for _ in $(seq 1 30); do
        text=$(timeout 2 xclip -o -selection clipboard 2>/dev/null)
        [ -n "$text" ] && break
        sleep 0.1
    done
    printf '%s' "$text"
    xdotool windowfocus --sync "$WID" 2>/dev/null
}
key() {
    xdotool key --window "$WID" --clearmodifiers "$@"
    sleep 0.2
}

# ClpFEN gives the true half-move clock and move number.
M1="rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"
M2="r1bqkbnr/1ppp1ppp/p1n5/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 1 4"
END1="r1bqk2r/1pppbppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 w kq - 4 6"
G2="rnbqkbnr/ppp2ppp/4p3/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR b KQkq - 1 3"
G3END="rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3"
G3MARK="r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"
START="rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

check "start-up: game 1 at its first mark" "$M1" "$(clip "$CLIP_FEN")"
key c
check "c: the next mark" "$M2" "$(clip "$CLIP_FEN")"
key c
check "c without a later mark: the end of the game" "$END1" "$(clip "$CLIP_FEN")"
key e
key e
check "e e from the end: the first mark" "$M1" "$(clip "$CLIP_FEN")"
key q
check "q: the starting position" "$START" "$(clip "$CLIP_FEN")"
key x
check "x: game 2 at its mark" "$G2" "$(clip "$CLIP_FEN")"
key x
check "x: game 3 at the mark inside its variation" "$G3MARK" "$(clip "$CLIP_FEN")"
key y
check "y: the end of game 3's main line" "$G3END" "$(clip "$CLIP_FEN")"
key w
key w
check "w w: back to game 1 at its first mark" "$M1" "$(clip "$CLIP_FEN")"
key KP_3
check "keypad 3: the next mark" "$M2" "$(clip "$CLIP_FEN")"
key KP_2
check "keypad 2: the next game" "$G2" "$(clip "$CLIP_FEN")"
key Down Return
check "Down and Enter: game 3 loaded" "$G3MARK" "$(clip "$CLIP_FEN")"
PGNTEXT=$(clip "$CLIP_PGN")
case "$PGNTEXT" in *'[White "W3"]'*'Nf3 d6'*) r=yes ;; *) r=no ;; esac
check "ClpPGN: game 3 as PGN" yes "$r"

kill -0 "$APP_PID" 2>/dev/null
check "the viewer is still running" 0 $?
if [ "$fail" != 0 ]; then
    echo "--- app.log"
    cat "$WORK/app.log"
fi
exit $fail
