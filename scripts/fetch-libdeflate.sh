#!/usr/bin/env bash
# Fetches libdeflate's Debian source package into build/deps once (scripts/install.sh enables the
# source index) and prints the path of its upstream tarball. CMake and scripts/fuzz.sh build from it.
set -euo pipefail
deps="$(cd "$(dirname "$0")/.." && pwd)/build/deps"
mkdir -p "$deps"
tarball() { ls "$deps"/libdeflate_*.orig.tar.gz 2>/dev/null | tail -1; }
if [ -z "$(tarball)" ]; then
  (cd "$deps" && apt-get source --download-only -qq libdeflate >&2) ||
    { echo "fetch-libdeflate: apt-get source failed; run scripts/install.sh first" >&2; exit 1; }
fi
tarball
