#!/usr/bin/env bash
# Installs what building, running and testing Varnoke needs on Debian 12. Quick when all is present.
set -euo pipefail
packages=(
  cmake ninja-build g++ zlib1g-dev googletest libgtest-dev clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 fonts-wine fonts-wqy-microhei locales
  xvfb xdotool x11-utils imagemagick
  zip unzip p7zip-full python3 hyperfine
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "install: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
