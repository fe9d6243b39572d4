#!/usr/bin/env bash
# Installs what building, running and testing Varnoke needs on Debian 12. Quick when all is present.
set -euo pipefail
packages=(
  cmake ninja-build make g++ zlib1g-dev googletest libgtest-dev clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 fonts-wine fonts-wqy-microhei locales
  xvfb xdotool x11-utils imagemagick
  zip unzip p7zip-full python3 hyperfine
)
# libdeflate is built from Debian's source package (cmake/libdeflate.cmake fetches it): apt needs the
# source index of the same archive as the binary one.
binary_index=/etc/apt/sources.list.d/debian.sources
source_index=/etc/apt/sources.list.d/debian-src.sources
need_update=0
if [ -f "$binary_index" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  sed 's/^Types: deb$/Types: deb-src/' "$binary_index" >"$source_index"
  need_update=1
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})) || ((need_update)); then
  echo "install: ${missing[*]:-the source index}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if ((${#missing[@]})); then
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
