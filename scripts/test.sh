#!/usr/bin/env bash
# Installs what is missing, builds both builds (the portable code natively with sanitizers, the
# Windows program with MinGW) and runs every test: native ones on the host, the rest under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install.sh || exit 1
status=0
cmake --preset native >/dev/null && cmake --build --preset native -j2 || exit 1
cmake --preset win >/dev/null && cmake --build --preset win -j2 || exit 1

# One private display for every test that opens a window; gone when the script ends.
source scripts/wine-env.sh
unset DISPLAY
varnoke_ensure_display
trap 'wineserver -k >/dev/null 2>&1; read -r _ pid <build/xvfb.display 2>/dev/null && kill "$pid" 2>/dev/null' EXIT

ctest --preset native -j2 || status=1
if [ -x scripts/fuzz.sh ]; then FUZZ_SECONDS="${FUZZ_SECONDS:-30}" scripts/fuzz.sh || status=1; fi
ctest --preset win -j2 || status=1
exit $status
