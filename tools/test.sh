#!/usr/bin/env bash
# Builds everything and runs every test: the artwork check, the shipped 32-bit program's
# format, and the test executables under Wine on a virtual display.
#   BUILD_DIR   build tree (default: build)
#   extra arguments go to ctest (for example -R framework)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
BUILD_DIR=${BUILD_DIR:-build}

echo "== artwork"
python3 tools/check_art.py

echo "== shipped program"
python3 tools/check_pe.py "$BUILD_DIR/w32/bin/Kelvara.exe" "$BUILD_DIR/w32/bin/SkinMagic.dll" --machine i386
python3 tools/check_pe.py "$BUILD_DIR/w64/bin/Kelvara.exe" "$BUILD_DIR/w64/bin/SkinMagic.dll" --machine amd64

source tools/wine-env.sh
trap kelvara_stop_env EXIT
kelvara_start_display
kelvara_boot_prefix

# Web addresses the program opens are recorded here instead of reaching a browser.
mkdir -p "$BUILD_DIR/w64/testrun"
export KELVARA_URL_LOG="$BUILD_DIR/w64/testrun/opened-urls.log"

echo "== tests under Wine"
cd "$BUILD_DIR/w64"
ctest --output-on-failure --timeout 600 "$@"
