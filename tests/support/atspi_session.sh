# Sourced by the end-to-end tests that read the viewer through the
# accessibility tree (after xvfb.sh): skips (77) without at-spi2-core or
# python3-pyatspi, and gives
#   viewer_on_bus FILE SCRIPT LIMIT
# which, on a private session bus with the AT-SPI registry, starts the viewer
# on FILE, waits (at most 10 s) for its window, focuses it and runs the
# Python SCRIPT with the window's id in $W (and argv[1]) for at most LIMIT
# seconds; the viewer's output goes to $WORK/app.log. Returns the script's
# status.
export QUARZEL_TEST_SUPPORT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
LAUNCHER=/usr/libexec/at-spi-bus-launcher
if [ ! -x "$LAUNCHER" ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIP: at-spi2-core or python3-pyatspi is not installed"
    exit 77
fi

viewer_on_bus() {
    dbus-run-session -- bash -c '
        export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
        "$1" --launch-immediately >/dev/null 2>&1 &
        LP=$!
        sleep 1
        "$2" "$3" >"$6/app.log" 2>&1 &
        VP=$!
        for _ in $(seq 1 100); do
            W=$(timeout 5 xdotool search --onlyvisible --name "^Quarzel PGN Viewer" 2>/dev/null | head -1)
            [ -n "$W" ] && break
            sleep 0.1
        done
        [ -n "$W" ] || { echo "FAIL: no result after waiting 10 s for the viewer window"; kill $VP $LP 2>/dev/null; exit 1; }
        timeout 5 xdotool windowfocus --sync "$W" 2>/dev/null
        export W
        timeout "$5" /usr/bin/python3 "$4" "$W"
        rc=$?
        [ $rc = 124 ] && echo "FAIL: no result after waiting $5 s for $(basename "$4")"
        kill $VP $LP 2>/dev/null
        exit $rc
    ' _ "$LAUNCHER" "$BIN" "$1" "$2" "$3" "$WORK"
}
