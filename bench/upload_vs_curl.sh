#!/usr/bin/env bash
# Uploads a ~300 MB set (archives of 280 MB and 20 MB, incompressible, fixed seed) to the local
# WebDAV server (lighttpd, nothing between) as the program does it under Wine — CRC of each archive,
# temporary name, MOVE, size check, metadata — against `curl -T` of the same files to the same
# server, in interleaved rounds (BENCH_RUNS, at least 3). Our time is measured inside the program,
# without Wine's start-up; curl's is its own total. The last line reads
#   upload_vs_curl=X.XX    (median of ours over curl's within a round; the target is at most 1.25)
# A benchmark, not a test: it fails only when an upload does not work.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
data="$root/build/bench-data/upload" dav="$root/build/bench-dav"
runs="${BENCH_RUNS:-3}"
[ "$runs" -ge 3 ] || runs=3
stem="2026年12月10日12时"
for tool in curl wine python3; do command -v "$tool" >/dev/null || { echo "bench: $tool is missing"; exit 1; }; done
if [ ! -f "$data/done" ]; then
  mkdir -p "$data"
  python3 - "$data/$stem.zip" "$data/$stem.zip2" <<'PY'
import random, sys
rng = random.Random(24)
for path, mb in zip(sys.argv[1:], (280, 20)):
    with open(path, "wb") as f:
        for _ in range(mb):
            f.write(rng.randbytes(1 << 20))
PY
  touch "$data/done"
fi
cmake --build "$root/build/win" -j2 --target upload_bench >/dev/null
"$root/scripts/wine-prefix.sh" >/dev/null
source "$root/scripts/wine-env.sh" 2>/dev/null
# Each side starts on a fresh server: lighttpd keeps open the files it served, and freeing a
# deleted 280 MB file when it lets go would land in whichever upload comes next.
fresh_server() {
  "$root/scripts/webdav-server.sh" start "$dav" >/dev/null && sync
  read -r port _ <"$dav/ports"
  url="http://127.0.0.1:$port"
}
trap '"$root/scripts/webdav-server.sh" stop "$dav"' EXIT
ratios=()
for round in $(seq "$runs"); do
  fresh_server
  curl -sf -u tester:geheim -X MKCOL "$url/curl/" >/dev/null
  curl_s=0
  for f in "$stem.zip" "$stem.zip2"; do
    t=$(curl -sf -u tester:geheim -T "$data/$f" -w '%{time_total}' -o /dev/null "$url/curl/$round-${f##*.}")
    curl_s=$(python3 -c "print($curl_s + $t)")
  done
  fresh_server  # the project's folder is there already, as after a first upload; curl's is made untimed too
  curl -sf -u tester:geheim -X MKCOL "$url/Varnoke/" >/dev/null
  curl -sf -u tester:geheim -X MKCOL "$url/Varnoke/bench/" >/dev/null
  ours=$(wine "$root/build/win/upload_bench.exe" "$url/" tester geheim "Z:$data" "$stem" | tr -d '\r')
  ours_s=${ours#seconds=}
  ratio=$(python3 -c "print(f'{$ours_s / $curl_s:.3f}')")
  echo "round $round: ours ${ours_s}s, curl ${curl_s}s, ratio $ratio"
  ratios+=("$ratio")
done
median=$(printf '%s\n' "${ratios[@]}" | python3 -c "import statistics,sys; print(f'{statistics.median(float(l) for l in sys.stdin):.2f}')")
echo "upload_vs_curl=$median"
