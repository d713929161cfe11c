# Sourced by the end-to-end tests: a private work folder and a private Xvfb
# on a free display, both removed on exit (with the viewer in APP_PID, when
# the test set it). Exits 77 (skip) when no display can be had.
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# A free display: no lock file and no server answering.
DISPLAY_NO=""
for n in $(seq 97 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] && ! xdpyinfo -display ":$n" >/dev/null 2>&1; then
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 1 50); do
            xdpyinfo -display ":$n" >/dev/null 2>&1 && break
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if xdpyinfo -display ":$n" >/dev/null 2>&1; then
            DISPLAY_NO=":$n"
            break
        fi
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    fi
done
if [ -z "$DISPLAY_NO" ]; then
    echo "SKIP: no free display for Xvfb"
    exit 77
fi
export DISPLAY="$DISPLAY_NO" QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
