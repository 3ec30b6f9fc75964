#!/usr/bin/env bash
# Builds the shipped 32-bit program (build/w32/bin) and the 64-bit program with its tests
# (build/w64/bin), installing the tools first when they are missing.
#   BUILD_DIR   build tree (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
root=$(pwd)
jobs=$(nproc)

configure() {  # dir toolchain tests
    if [ ! -f "$1/build.ninja" ]; then
        cmake -S . -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" -DKELVARA_TESTS="$3" >/dev/null
    fi
}
configure "$BUILD_DIR/w32" toolchain-i686.cmake OFF
configure "$BUILD_DIR/w64" toolchain-x86_64.cmake "${KELVARA_TESTS:-ON}"
ninja -C "$BUILD_DIR/w32" -j "$jobs" | { grep -v '^\[' || true; }
ninja -C "$BUILD_DIR/w64" -j "$jobs" | { grep -v '^\[' || true; }
