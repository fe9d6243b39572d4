#!/usr/bin/env bash
# Benchmarks 校验 and 排除 on the save tree of gen_tree.py (see run.sh), natively, in interleaved
# rounds (BENCH_RUNS, at least 5; medians of the ratios within a round, bench/pairs.py):
#   verify_vs_unzip_t   `unzip -t` of the archive of one backup over our 校验 of the same set (above
#                       1: we are faster); both read the archive where the backup wrote it
#   excluding_vs_plain  the backup without 排除 over the same backup with 排除 set to patterns that
#                       match nothing in the tree (1: no cost; below 1: 排除 costs time), on one
#                       thread; excluding_cpu_vs_plain the same of their CPU seconds (user + system),
#                       which other work on the machine moves less
# The last line reads: verify_vs_unzip_t=X.XX excluding_vs_plain=X.XXX excluding_cpu_vs_plain=X.XXX
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
data="${BENCH_DATA:-$root/build/bench-data}"
runs="${BENCH_RUNS:-5}"
[ "$runs" -ge 5 ] || runs=5
work="$(mktemp -d "$root/build/verify-bench.XXXXXX")"
ram="$(mktemp -d "${BENCH_RAM:-/dev/shm}/varnoke-verify.XXXXXX")"
trap 'rm -rf "$work" "$ram"' EXIT
if [ ! -f "$data/save.done" ]; then
  rm -rf "${data:?}/save"
  mkdir -p "$data"
  python3 "$root/bench/gen_tree.py" save "$data/save"
  touch "$data/save.done"
fi
cmake --preset bench -S "$root" >/dev/null
cmake --build "$root/build/bench" -j2 --target zip_bench >/dev/null
exe="$root/build/bench/bench/zip_bench"
# One backup set, on the disk, to verify.
"$exe" backup "$data/save" "$work/sets" >/dev/null
archive="$(ls "$work"/sets/*.zip)"
PYTHONPATH="$root/bench" python3 - "$exe" "$data/save" "$work/sets" "$archive" "$ram" "$runs" <<'PY'
import sys
from pairs import rounds, paired
exe, tree, sets, archive, ram, runs = sys.argv[1:7]
runs = int(runs)
verify = rounds({"unzip": ("true", f"unzip -tqq '{archive}'"), "ours": ("true", f"'{exe}' verify '{sets}'")}, runs)
none = "*.nomatch;nomatch\\;\\top\\*.none;ShaderCacheX\\"
cpu = {}
backup = rounds({"plain": (f"rm -rf {ram}/plain", f"'{exe}' backup '{tree}' {ram}/plain 1"),
                 "excluding": (f"rm -rf {ram}/excl", f"'{exe}' backup-excluding '{tree}' {ram}/excl '{none}' 1")},
                runs, cpu)
print(f"verify_vs_unzip_t={paired(verify, 'unzip', 'ours'):.2f} excluding_vs_plain={paired(backup, 'plain', 'excluding'):.3f}"
      f" excluding_cpu_vs_plain={paired(cpu, 'plain', 'excluding'):.3f}")
PY
