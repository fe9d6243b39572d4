#!/usr/bin/env bash
# Benchmarks the ZIP engine against Info-ZIP on a synthetic save tree (fixed seed, ~300 MB):
# compress against `zip -r -6`, extract against `unzip`, and the Windows build under Wine.
# A benchmark, not a test: it prints figures and fails only when something does not work.
# The last line reads:
#   compress_vs_zip6=X.XX size_vs_zip6=X.XXX extract_vs_unzip=X.XX peak_rss_mb=N wine_compress_vs_zip6=X.XX
# Ratios are the peer's time divided by ours (above 1: we are faster); size is ours over theirs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
data="$root/build/bench-data"
tree="$data/tree"
runs="${BENCH_RUNS:-3}"
for tool in zip unzip hyperfine python3 wine cmake; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing"; exit 1; }
done

if [ ! -f "$data/tree.done" ]; then
  rm -rf "$tree"
  mkdir -p "$data"
  echo "bench: generating the save tree"
  python3 "$root/bench/gen_tree.py" "$tree"
  touch "$data/tree.done"
fi

echo "bench: building"
cmake --preset bench -S "$root" >/dev/null
cmake --build "$root/build/bench" -j2 --target zip_bench >/dev/null
native="$root/build/bench/bench/zip_bench"
cmake -S "$root/bench/win" -B "$root/build/bench-win" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/bench-win" -j2 >/dev/null
windows="$root/build/bench-win/zip_bench.exe"
"$root/scripts/wine-prefix.sh" >/dev/null
source "$root/scripts/wine-env.sh" 2>/dev/null
varnoke_ensure_display

# Median seconds of a command, each run after a clean-up that is not timed.
median() {
  local name="$1" prepare="$2" command="$3"
  hyperfine --style none --warmup 1 --runs "$runs" --prepare "$prepare" --export-json "$data/$name.json" \
    "$command" >/dev/null 2>&1 || { echo "bench: '$command' failed" >&2; exit 1; }
  python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][0]['median'])" "$data/$name.json"
}

cd "$data"
echo "bench: timing (median of $runs runs each)"
t_zip=$(median zip6 "rm -f zip6.zip" "cd '$tree' && zip -r -6 -q '$data/zip6.zip' .")
t_ours=$(median ours "rm -f ours.zip" "'$native' compress '$tree' ours.zip")
t_wine=$(median wine "rm -f wine.zip" "wine '$windows' compress 'Z:$tree' 'Z:$data/wine.zip'")
t_unzip=$(median unzip "rm -rf out-unzip" "unzip -q ours.zip -d out-unzip")
t_extract=$(median extract "rm -rf out-ours" "'$native' extract ours.zip out-ours")

echo "bench: checking the results"
diff -r "$tree" out-ours >/dev/null || { echo "bench: our extraction differs from the tree"; exit 1; }
unzip -tq wine.zip >/dev/null || { echo "bench: the Windows build's archive does not test clean"; exit 1; }
peak_kb=0
for step in "compress '$tree' rss.zip" "extract rss.zip out-rss"; do
  kb=$(eval "/usr/bin/time -f %M '$native' $step" 2>&1 >/dev/null | tail -1)
  [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
done
rm -rf out-rss rss.zip out-unzip out-ours

python3 - "$t_zip" "$t_ours" "$t_wine" "$t_unzip" "$t_extract" "$(stat -c %s ours.zip)" "$(stat -c %s zip6.zip)" \
  "$peak_kb" "$(stat -c %s wine.zip)" <<'PY'
import sys
t_zip, t_ours, t_wine, t_unzip, t_extract = map(float, sys.argv[1:6])
ours, theirs, peak_kb, wine = int(sys.argv[6]), int(sys.argv[7]), int(sys.argv[8]), int(sys.argv[9])
print(f"zip -6 {t_zip:.2f}s  ours {t_ours:.2f}s  wine {t_wine:.2f}s  |  unzip {t_unzip:.2f}s  ours {t_extract:.2f}s")
print(f"sizes: ours {ours}  zip -6 {theirs}  wine {wine}")
print(f"compress_vs_zip6={t_zip / t_ours:.2f} size_vs_zip6={ours / theirs:.3f} "
      f"extract_vs_unzip={t_unzip / t_extract:.2f} peak_rss_mb={round(peak_kb / 1024)} "
      f"wine_compress_vs_zip6={t_zip / t_wine:.2f}")
PY
