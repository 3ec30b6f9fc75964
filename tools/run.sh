#!/usr/bin/env bash
# Builds the program and runs it under Wine in the build tree's own prefix. Without a
# display a virtual one is started; a screenshot of the window is saved either way. The
# program keeps running until it ends or this script is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
KELVARA_TESTS=${KELVARA_TESTS:-OFF} tools/build.sh
BUILD_DIR=${BUILD_DIR:-build}
source tools/wine-env.sh
trap kelvara_stop_env EXIT
kelvara_start_display
kelvara_boot_prefix

# 32-bit code cannot execute on this machine, so the 64-bit build of the same sources runs.
"$WINE" "$BUILD_DIR/w64/bin/Kelvara.exe" &
program=$!
shot="$BUILD_DIR/screenshot.png"
if window=$(timeout 30 xdotool search --sync --name '^Kelvara$' 2>/dev/null | head -n 1); then
    sleep 2  # let the first frame of the level picture and the graph draw
    if import -window root "$shot" 2>/dev/null; then
        echo "Screenshot of the window: $shot"
    fi
else
    echo "The window did not appear within 30 s." >&2
fi
echo "Kelvara is running on display $DISPLAY (Ctrl+C to stop)."
wait "$program" || true
