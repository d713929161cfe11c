# Sourced by the end-to-end tests: a private work folder and a private Xvfb,
# both removed on exit (with the viewer in APP_PID, when the test set it), and
# the limited waits of wait.sh. Sets BIN to the viewer. Exits 77 (skip) when a
# tool the test needs (Xvfb, xdotool, xdpyinfo and those in NEED_TOOLS) is
# missing or no display can be had.
#
# Tests run in parallel, so the display is never picked by probing for a free
# number (two tests could both find the same one free, and the loser would
# then talk to the winner's server): Xvfb chooses a free display itself and
# reports it through -displayfd, and only a server we started is used or
# killed.
BIN="${QUARZEL_BIN_DIR:?}/quarzel"
for tool in Xvfb xdotool xdpyinfo ${NEED_TOOLS:-}; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
[ -x "$BIN" ] || { echo "FAIL: $BIN not built"; exit 1; }

. "$(dirname "${BASH_SOURCE[0]}")/wait.sh"
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    kill "$WATCHDOG_PID" 2>/dev/null
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
start_watchdog

DISPLAY_NO=""
for _attempt in 1 2 3; do
    : >"$WORK/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        [ -s "$WORK/display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    n=$(tr -dc '0-9' <"$WORK/display")
    # The server writes the number only once it holds the display, so it is
    # ours; it must still be alive, and a lock file, where it keeps one, must
    # name it.
    lock_ok=1
    if [ -n "$n" ] && [ -e "/tmp/.X$n-lock" ] \
        && [ "$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null)" != "$XVFB_PID" ]; then
        lock_ok=0
    fi
    if [ -n "$n" ] && [ $lock_ok = 1 ] && kill -0 "$XVFB_PID" 2>/dev/null \
        && timeout 5 xdpyinfo -display ":$n" >/dev/null 2>&1; then
        DISPLAY_NO=":$n"
        break
    fi
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
done
if [ -z "$DISPLAY_NO" ]; then
    echo "SKIP: Xvfb could not start a private display"
    cat "$WORK/xvfb.log" 2>/dev/null
    exit 77
fi
# Everything a test or the viewer might share with a parallel test is private:
# the display (and with it the clipboard and window names), the work folder,
# the runtime folder and any settings the viewer keeps.
export DISPLAY="$DISPLAY_NO" QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$WORK/runtime" HOME="$WORK/home"
export XDG_CONFIG_HOME="$WORK/home/.config" XDG_CACHE_HOME="$WORK/home/.cache"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME"
