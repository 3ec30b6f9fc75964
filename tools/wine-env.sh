# Sourced by the project's scripts: a private Wine prefix inside the build tree and a
# display (the one the user has, or a virtual one started here).
#   BUILD_DIR   build tree (default: build)
# After sourcing: WINE, WINEPREFIX, WINEDEBUG, DISPLAY are set; kelvara_stop_env stops
# what was started.

BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"
BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
export WINE=/usr/lib/wine/wine64
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

KELVARA_XVFB_PID=""

kelvara_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            KELVARA_XVFB_PID=$!
            export DISPLAY=":$n"
            local i
            for i in $(seq 1 50); do
                xdpyinfo >/dev/null 2>&1 && return 0
                sleep 0.1
            done
            echo "Xvfb on :$n did not come up" >&2
            return 1
        fi
    done
    echo "no free display number" >&2
    return 1
}

kelvara_boot_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX (once)..."
        "$WINE" wineboot -i >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w
    fi
    # One server for the whole run: many short processes start much faster with it.
    /usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
    # Wine's own service processes (the desktop, services, device drivers) outlive the
    # program that starts them; started here, they do not hold the test runner's output
    # pipes open.
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

kelvara_stop_env() {
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    if [ -n "$KELVARA_XVFB_PID" ]; then
        kill "$KELVARA_XVFB_PID" 2>/dev/null || true
        wait "$KELVARA_XVFB_PID" 2>/dev/null || true
    fi
}
