#!/usr/bin/env bash
# Builds everything and prints the benchmarks: each figure as a ratio against a floor
# measured in the same run, beside its goal.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
BUILD_DIR=${BUILD_DIR:-build}
source tools/wine-env.sh
trap kelvara_stop_env EXIT
kelvara_start_display
kelvara_boot_prefix

size=$(stat -c %s "$BUILD_DIR/w32/bin/Kelvara.exe")
echo "32-bit Kelvara.exe: $size bytes ($(( size * 100 / 524288 ))% of the 512 KiB goal)"
for bench in "$BUILD_DIR"/w64/bin/*_bench.exe; do
    [ -e "$bench" ] || continue
    echo "== $(basename "$bench" .exe)"
    timeout 600 "$WINE" "$bench"
done
