#!/bin/bash
# The real viewer read through the accessibility tree, as a screen reader
# (Orca) reads it: on a private session bus with the AT-SPI registry, the game
# table's headers, rows and cells, the header panel, the notation's text, the
# board's description with the FEN, and a name on every button.
set -u
NEED_TOOLS="dbus-run-session"
. "$(dirname "$0")/../support/xvfb.sh"
. "$(dirname "$0")/../support/atspi_session.sh"

for i in 1 2 3; do
    printf '[Event "Open %d"]\n[Site "Town"]\n[White "W%d"]\n[Black "B%d"]\n[Result "1-0"]\n[WhiteElo "2700"]\n\n1. e4 e5 2. Nf3 {MATCH} Nc6 1-0\n\n' "$i" "$i" "$i"
done >"$WORK/games.pgn"

cat >"$WORK/read_tree.py" <<'PY'
import os, sys, time, subprocess, pyatspi

sys.path.insert(0, os.environ["QUARZEL_TEST_SUPPORT"])
from atspi_walk import walk

app = None
for _ in range(100):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and any(n.name.startswith("Quarzel PGN Viewer 1.01") for n in walk(a, 38)):
            app = a
    if app is not None:
        break
    time.sleep(0.2)
if app is None:
    print("FAIL: the viewer is not in the accessibility tree"); sys.exit(1)
# The viewer has loaded game 1 and stands at its mark after 2. Nf3; one step
# on: the description shows the position after 2... Nc6.
time.sleep(1)
subprocess.run(["xdotool", "key", "--window", os.environ["W"], "d"], timeout=5)
time.sleep(0.5)

nodes = list(walk(app))
fail = 0
def check(name, ok):
    global fail
    print(("ok: " if ok else "FAIL: ") + name)
    fail |= not ok

tables = [n for n in nodes if n.getRoleName() == "table" and n.name == "Games"]
check("the game table is there", len(tables) == 1)
if tables:
    t = tables[0].queryTable()
    check("three rows", t.nRows == 3)
    headers = [t.getColumnDescription(c) or (t.getColumnHeader(c).name if t.getColumnHeader(c) else "") for c in range(t.nColumns)]
    check("column headers name the columns", "White" in headers and "Black" in headers and "Result" in headers)
    white = headers.index("White") if "White" in headers else 0
    cell = t.getAccessibleAt(1, white)
    check("a cell reads its text", cell is not None and "W2" in cell.name)

def named(name):
    return [n for n in nodes if n.name == name]

board = named("Chess board")
check("the board has a name", len(board) == 1)
check("the board's description holds the FEN",
      bool(board) and "FEN r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w" in board[0].description)
notation = named("Notation")
text = notation[0].queryText().getText(0, -1) if notation else ""
check("the notation reads its moves", "Nf3" in text and "MATCH" in text)
header = named("Game header")
check("the header panel reads the players", bool(header) and "W1 (2700)" in (header[0].name + header[0].description))
buttons = [n for n in nodes if n.getRoleName() == "push button"]
check("eleven buttons and more", len(buttons) >= 11)
check("every button has a name", all(b.name.strip() for b in buttons))
check("the side to move is told", bool(named("White to move")) or bool(named("Black to move")))
sys.exit(fail)
PY

viewer_on_bus "$WORK/games.pgn" "$WORK/read_tree.py" 30
rc=$?
[ $rc = 0 ] && echo "accessibility tree: all ok"
exit $rc
