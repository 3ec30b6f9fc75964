#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages.
# Does nothing for packages that are already present.
set -euo pipefail

need=(cmake ninja-build make g++-mingw-w64-i686 g++-mingw-w64-x86-64
      binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 googletest
      wine64 xvfb xdotool imagemagick x11-utils iputils-ping python3 file)

missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
