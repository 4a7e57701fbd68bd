#!/usr/bin/env bash
# Installs what the editor and its tests need on Debian 12, only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
  qt6-base-dev libgl-dev
  xvfb xauth fonts-liberation
  clang libclang-rt-14-dev
  chromium
  g++-mingw-w64-x86-64-posix wine64 xdotool xclip imagemagick x11-utils python3 zip
  patchelf desktop-file-utils libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# The machine brings its own Node.js 20 and npm; Debian's are only the fallback.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
