#!/bin/bash
# The engine pane of the real viewer with the real engine, read through the
# accessibility tree as a screen reader reads it: after Ctrl+E its lines come
# for the board's position, and after every step its description starts with
# the FEN of the position the board shows (never a line of another). A
# quit viewer leaves no engine behind.
set -u
NEED_TOOLS="dbus-run-session"
. "$(dirname "$0")/../support/xvfb.sh"
export QUARZEL_TEST_SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"

LAUNCHER=/usr/libexec/at-spi-bus-launcher
ENGINE=$(command -v stockfish || echo /usr/games/stockfish)
if [ ! -x "$LAUNCHER" ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIP: at-spi2-core or python3-pyatspi is not installed"
    exit 77
fi
[ -x "$ENGINE" ] || { echo "SKIP: stockfish is not installed"; exit 77; }

printf '[Event "E"]\n[White "W"]\n[Black "B"]\n[Result "*"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 *\n' >"$WORK/game.pgn"
mkdir -p "$XDG_CONFIG_HOME/quarzel"
printf '[engine]\npath=%s\nthreads=1\nhash=16\nlines=2\n' "$ENGINE" >"$XDG_CONFIG_HOME/quarzel/viewer.conf"

cat >"$WORK/read_pane.py" <<'PY'
import os, sys, time, subprocess, pyatspi

sys.path.insert(0, os.environ["QUARZEL_TEST_SUPPORT"])
from atspi_walk import walk

def find(name):
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            for n in (walk(app) if app is not None else []):
                if n.name == name:
                    return n
        time.sleep(0.1)
    return None

def fields(fen):
    return " ".join(fen.split()[:4])

def board_fen(board):
    return fields(board.description.split("FEN ", 1)[1])

def has_line(pane):
    lines = pane.description.split("\n")
    return len(lines) > 2 and " d" in lines[2]

def wait(what, test, limit=15):
    end = time.time() + limit
    while time.time() < end:
        if test():
            return True
        time.sleep(0.05)
    print("FAIL: no result after waiting %d s for %s" % (limit, what))
    return False

fail = 0
def check(name, ok):
    global fail
    print(("ok: " if ok else "FAIL: ") + name)
    fail |= not ok

board, pane = find("Chess board"), find("Engine lines")
if board is None or pane is None:
    print("FAIL: the board or the engine pane is not in the accessibility tree"); sys.exit(1)
window = sys.argv[1]
subprocess.run(["xdotool", "key", "--window", window, "ctrl+e"], timeout=5)
check("lines come after Ctrl+E", wait("the first lines", lambda: has_line(pane)))
stale = 0
for step in range(8):
    subprocess.run(["xdotool", "key", "--window", window, "d" if step < 6 else "a"], timeout=5)
    # Every reading on the way: lines shown are the board's position's.
    def settled():
        global stale
        before, shown, after = board_fen(board), pane.description, board_fen(board)
        same = fields(shown) == after
        lines = len(shown.split("\n")) > 2 and " d" in shown.split("\n")[2]
        # Two readings of the board around the pane's: the board stood still.
        stale += 0 if same or not lines or before != after else 1
        return same and lines
    got = wait("lines after step %d" % (step + 1), settled)
    check("step %d: the pane's description starts with the board's FEN" % (step + 1), got)
check("no line of another position seen", stale == 0)
sys.exit(fail)
PY

dbus-run-session -- bash -c '
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    "$1" --launch-immediately >/dev/null 2>&1 &
    LP=$!
    sleep 1
    "$2" "$3" >"$5/app.log" 2>&1 &
    VP=$!
    for _ in $(seq 1 100); do
        W=$(timeout 5 xdotool search --onlyvisible --name "^Quarzel PGN Viewer 1\.01" 2>/dev/null | head -1)
        [ -n "$W" ] && break
        sleep 0.1
    done
    [ -n "$W" ] || { echo "FAIL: no result after waiting 10 s for the viewer window"; kill $VP $LP 2>/dev/null; exit 1; }
    timeout 5 xdotool windowfocus --sync "$W" 2>/dev/null
    timeout 40 /usr/bin/python3 "$4" "$W"
    rc=$?
    [ $rc = 124 ] && echo "FAIL: no result after waiting 40 s for the pane to be read"
    ENGINE_PID=$(pgrep -P $VP | head -1)
    timeout 5 xdotool key --window "$W" alt+f
    sleep 0.3
    timeout 5 xdotool key q
    for _ in $(seq 1 50); do kill -0 $VP 2>/dev/null || break; sleep 0.1; done
    if kill -0 $VP 2>/dev/null; then echo "FAIL: the viewer did not end within 5 s of File > Quit"; rc=1; kill $VP; fi
    for _ in $(seq 1 20); do [ -n "$ENGINE_PID" ] && kill -0 "$ENGINE_PID" 2>/dev/null || break; sleep 0.1; done
    if [ -n "$ENGINE_PID" ] && kill -0 "$ENGINE_PID" 2>/dev/null; then
        echo "FAIL: the engine runs on after the viewer ended"; rc=1; kill "$ENGINE_PID"
    else
        echo "ok: the engine ended with the viewer"
    fi
    kill $LP 2>/dev/null
    exit $rc
' _ "$LAUNCHER" "$BIN" "$WORK/game.pgn" "$WORK/read_pane.py" "$WORK"
rc=$?
[ $rc = 0 ] && echo "engine pane: all ok"
exit $rc
