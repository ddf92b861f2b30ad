#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (bookworm).
# Installs only packages that are missing; runs apt-get through sudo unless root.
set -euo pipefail

packages=(
  g++ cmake ninja-build          # compiler and build
  libgtest-dev libgmock-dev      # tests
  libbenchmark-dev               # benchmarks (built on request)
  qt6-base-dev libgl-dev         # the window
  fonts-liberation2 fonts-dejavu-core # metric-compatible fallbacks for the window's fonts
  libcli11-dev                   # the p03 tool's command line
  g++-mingw-w64-i686             # the 32-bit Windows cross-compile of the portable libraries
  clang-format                   # the formatting check
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
