#!/bin/bash
# The filter dialog and "Save listed games as" of the real viewer, driven
# through the accessibility tree as assistive tools drive it: Filter games
# (its menu command) opens the dialog, its White field is filled and OK
# pressed, the table lists the games that pass; Save listed games as, a file
# name put into the file dialog and Save write exactly those games, each as
# the file holds it.
set -u
NEED_TOOLS="dbus-run-session"
. "$(dirname "$0")/../support/xvfb.sh"
. "$(dirname "$0")/../support/atspi_session.sh"

# Five games, two of them with a White named "Kasparov"; CR LF line ends and
# a comment, kept as written by the save.
game() {  # the text of game $1, White $2
    printf '[Event "E%d"]\r\n[White "%s"]\r\n[Black "B%d"]\r\n[Result "1-0"]\r\n\r\n1. e4 {note %d} e5 1-0\r\n' "$1" "$2" "$1" "$1"
}
for i in 1 2 3 4 5; do
    if [ $((i % 2)) = 0 ]; then game $i "Kasparov, G"; else game $i "Other $i"; fi
    printf '\r\n'
done >"$WORK/games.pgn"
# One blank line between the games, none after the last.
{ game 2 "Kasparov, G"; printf '\r\n'; game 4 "Kasparov, G"; } >"$WORK/expected.pgn"
mkdir -p "$WORK/out"
cat >"$WORK/drive.py" <<'PY'
import os, sys, time, subprocess, threading, pyatspi

sys.path.insert(0, os.environ["QUARZEL_TEST_SUPPORT"])
from atspi_walk import walk, all_nodes, wait_for

nodes = all_nodes

def first(role, name):
    return next((n for n in nodes() if n.getRoleName() == role and n.name == name), None)

def press(button):
    a = button.queryAction()
    for i in range(a.nActions):
        if a.getName(i) in ("Press", "press", "click"):
            a.doAction(i)
            return
    a.doAction(0)

def press_quietly(node):
    try:
        press(node)
    except Exception:
        pass  # no reply while a dialog the command opened is open: what counts is what follows

# A menu command through its accessible action, from a thread of its own: the
# call returns only when the dialog it opens has closed. (No keystrokes: a key
# that the server repeats would type into the dialogs.)
def command(name):
    item = wait_for("the menu command " + name, lambda: next(
        (n for n in nodes() if n.getRoleName() == "menu item" and n.name.split("\t")[0] == name), None))
    threading.Thread(target=press_quietly, args=(item,), daemon=True).start()

def rows():
    t = next((n for n in nodes() if n.getRoleName() == "table" and "tree" not in n.name.lower()), None)
    return t.queryTable().nRows if t is not None else -1

wait_for("five rows", lambda: rows() == 5)
command("Filter games...")
white = wait_for("the filter dialog's White field", lambda: first("text", "White"))
white.queryEditableText().setTextContents("kasparov")
press(wait_for("its OK button", lambda: first("push button", "OK")))
wait_for("the two games that pass", lambda: rows() == 2)

command("Save listed games as...")
dialog = wait_for("the save dialog", lambda: next((n for n in nodes() if n.getRoleName() in ("dialog", "file chooser")
                                                   and n.name.startswith("Save listed games")), None))
name = wait_for("its file name field", lambda: next((n for n in walk(dialog) if n.getRoleName() == "text"
                                                      and n.getState().contains(pyatspi.STATE_EDITABLE)), None))
name.queryEditableText().setTextContents(os.environ["OUT"])
press(wait_for("its Save button", lambda: next((n for n in walk(dialog) if n.getRoleName() == "push button"
                                                  and n.name.replace("&", "") == "Save"), None)))
wait_for("the saved file", lambda: os.path.exists(os.environ["OUT"]))
print("ok: filtered through the dialog and saved")
PY

export OUT="$WORK/out/kasparov.pgn"
viewer_on_bus "$WORK/games.pgn" "$WORK/drive.py" 60
rc=$?
if [ $rc = 0 ]; then
    if cmp -s "$WORK/out/kasparov.pgn" "$WORK/expected.pgn"; then
        echo "ok: the saved file holds exactly the two games as written"
    else
        echo "FAIL: the saved file differs from the two games"; diff <(od -c "$WORK/expected.pgn") <(od -c "$WORK/out/kasparov.pgn") | head -20
        rc=1
    fi
fi
exit $rc
