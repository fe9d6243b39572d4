#!/usr/bin/env bash
# Benchmarks the ZIP engine against Info-ZIP on synthetic trees (fixed seeds, see gen_tree.py):
# compress a ~300 MB save tree and 5,000 small files against `zip -r -6`, extract into a RAM-backed
# folder against `unzip`, and the Windows build under Wine; the program's restore (safety copy
# included) over an existing copy of the save tree, and of 20,000 small files under Wine, against
# `unzip -o`, and over a copy whose every file has changed (every file replaced); the program's
# backup of the mixed tree under Wine against `zip -6`; sizes against `zip -6` on the save, mixed,
# random, text and small-file trees. Commands run in interleaved rounds (BENCH_RUNS, at least 5),
# each after `sync`; figures are medians of the ratios within a round (bench/pairs.py).
# A benchmark, not a test: it prints figures and fails only when something does not work.
# The last line reads:
#   compress_vs_zip6=X.XX size_vs_zip6=X.XXX mixed_size_vs_zip6=X.XXX small_files_vs_zip6=X.XX
#   extract_vs_unzip=X.XX peak_rss_mb=N wine_compress_vs_zip6=X.XX wine_extract_vs_unzip=X.XX
#   restore_over_vs_unzip=X.XX wine_restore_over_vs_unzip=X.XX wine_small_restore_over_vs_unzip=X.XXX
#   wine_mixed_compress_vs_zip6=X.XX wine_mixed_size_vs_zip6=X.XXX
#   restore_over_changed_vs_unzip=X.XX wine_restore_over_changed_vs_unzip=X.XX cpu_vs_zip6=X.XX
# peak_rss_mb is the largest of every compress, extract and restore, natively.
# Time ratios are the peer's time over ours (above 1: we are faster); sizes are ours over theirs, and
# so is cpu_vs_zip6: the CPU seconds (user + system) of the native compress of the save tree over
# those of `zip -6` (below 1: we spend less).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
data="$root/build/bench-data"
runs="${BENCH_RUNS:-5}"
[ "$runs" -ge 5 ] || runs=5
for tool in zip unzip python3 wine cmake; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing"; exit 1; }
done
ram="$(mktemp -d "${BENCH_RAM:-/dev/shm}/varnoke-bench.XXXXXX")"
trap 'rm -rf "$ram"' EXIT

for kind in save mixed random text small many; do
  if [ ! -f "$data/$kind.done" ]; then
    rm -rf "${data:?}/$kind"
    mkdir -p "$data"
    echo "bench: generating the $kind tree"
    python3 "$root/bench/gen_tree.py" "$kind" "$data/$kind"
    touch "$data/$kind.done"
  fi
done

echo "bench: building"
cmake --preset bench -S "$root" >/dev/null
cmake --build "$root/build/bench" -j2 --target zip_bench >/dev/null
cmake -S "$root/bench/win" -B "$root/build/bench-win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/bench-win" -j2 >/dev/null
"$root/scripts/wine-prefix.sh" >/dev/null
source "$root/scripts/wine-env.sh" 2>/dev/null
varnoke_ensure_display
# One server for every run, so that none pays for starting it: once the prefix's server is idle and
# gone, a persistent one (or, if another stays, that one).
timeout 20 wineserver -w || true
wineserver -p 60 2>/dev/null || true

python3 "$root/bench/pairs.py" "$root/build/bench/bench/zip_bench" "$root/build/bench-win/zip_bench.exe" \
  "$data" "$ram" "$runs"
