#!/bin/bash
# The opening tree pane of the real viewer, read through the accessibility
# tree as a screen reader reads it: in a window 1180 pixels wide the pane is on
# by default, and over tests/data/tree_sample.pgn the table
# named "Opening tree" lists the moves of the start position with their games,
# results and score, and a click on a row plays its move on the board.
set -u
NEED_TOOLS="dbus-run-session"
. "$(dirname "$0")/../support/xvfb.sh"
. "$(dirname "$0")/../support/atspi_session.sh"
mkdir -p "$XDG_CONFIG_HOME/quarzel"
# A window wide enough for the pane to be on without being asked for.
printf '[window]\nsize=@Size(1180 640)\nposition=@Point(20 20)\n[openingTree]\nkeepCache=false\n' \
    >"$XDG_CONFIG_HOME/quarzel/viewer.conf"

cat >"$WORK/read_pane.py" <<'PY'
import os, sys, time, subprocess, pyatspi

sys.path.insert(0, os.environ["QUARZEL_TEST_SUPPORT"])
from atspi_walk import walk, wait_for

def wait(what, test, limit=15):
    return wait_for(what, test, limit)

def named(test):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        for n in (walk(app) if app is not None else []):
            if test(n):
                return n
    return None

def rows(table):
    t = table.queryTable()
    return [[t.getAccessibleAt(r, c).name for c in range(t.nColumns)] for r in range(t.nRows)]

def row_of(table, san):
    return next((r for r in rows(table) if r and r[0] == san), None)

fail = 0
def check(name, ok):
    global fail
    print(("ok: " if ok else "FAIL: ") + name)
    fail |= not ok

window = sys.argv[1]
table = wait("the opening tree table", lambda: named(lambda n: n.getRoleName() == "table" and "tree" in n.name.lower()))
board = wait("the board", lambda: named(lambda n: n.name == "Chess board"))
subprocess.run(["xdotool", "key", "--window", window, "q"], timeout=5)  # the first game's start
e4 = wait("the row of 1. e4", lambda: row_of(table, "e4"))
t = table.queryTable()
headers = [t.getColumnDescription(c) or (t.getColumnHeader(c).name if t.getColumnHeader(c) else "") for c in range(t.nColumns)]
check("columns named: " + ", ".join(headers), headers[:3] == ["Move", "Games", "Score"])
check("1. e4: 3 games, 1 / 2 / 0, 67%% (got %s)" % e4, e4[1:4] == ["3", "67%", "1 / 2 / 0"])
check("1. d4: 1 game won", (row_of(table, "d4") or [])[1:4] == ["1", "100%", "1 / 0 / 0"])
# A click on the row of 1. d4 (the first game plays 1. e4): the board alone shows it.
index = [r[0] for r in rows(table)].index("d4")
x, y, w, h = t.getAccessibleAt(index, 0).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], timeout=5)
check("a click on a row moves the board", bool(wait("the board after 1. d4", lambda: "FEN rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b" in board.description)))
check("the rows follow the board", bool(wait("the rows after 1. d4", lambda: row_of(table, "Nf6"))))
sys.exit(fail)
PY

viewer_on_bus "$QUARZEL_TEST_DATA_DIR/tree_sample.pgn" "$WORK/read_pane.py" 30
rc=$?
[ $rc = 0 ] && echo "opening tree: all ok"
exit $rc
