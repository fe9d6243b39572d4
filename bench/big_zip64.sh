#!/usr/bin/env bash
# One real round trip over 4 GiB, outside the test run (needs ~14 GB of disk and a few minutes):
# a 4.1 GiB incompressible file (stored), a 4.1 GiB compressible one (deflated in parallel pieces)
# and small files whose offsets lie past 4 GiB. The archive is checked by unzip, 7z and Python too.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="${BIG_ZIP64_DIR:-$root/build/big-zip64}"
cmake --preset bench -S "$root" >/dev/null
cmake --build "$root/build/bench" -j2 --target zip_bench >/dev/null
bench="$root/build/bench/bench/zip_bench"

rm -rf "$work"
mkdir -p "$work/src/saves"
trap 'rm -rf "$work"' EXIT
big=$((4096 + 100))  # MiB
echo "big_zip64: writing ${big} MiB of random data and ${big} MiB of text"
head -c "${big}M" /dev/urandom >"$work/src/a_random.bin"
python3 - "$work/src/b_text.log" "$big" <<'PY'
import random, sys
rng = random.Random(7)
block = "".join(f"tick {i} player {rng.randrange(64)} moved to {rng.randrange(9999)},{rng.randrange(9999)}\n"
                for i in range(20000)).encode()[: 1 << 20]
with open(sys.argv[1], "wb") as f:
    for i in range(int(sys.argv[2])):
        f.write(block[i % 7:] + block[: i % 7])
PY
for i in 1 2 3; do echo "slot $i" >"$work/src/saves/slot$i.sav"; done

echo "big_zip64: compress"
"$bench" compress "$work/src" "$work/big.zip"
ls -l "$work/big.zip"
echo "big_zip64: extract"
"$bench" extract "$work/big.zip" "$work/out"
diff -r "$work/src" "$work/out"
rm -rf "$work/out"
echo "big_zip64: other tools"
unzip -tq "$work/big.zip"
if command -v 7z >/dev/null; then 7z t "$work/big.zip" | grep -E "^Everything is Ok"; fi
python3 -c "import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None; print(len(z.namelist()), 'entries ok')" "$work/big.zip"
echo "big_zip64: round trip over 4 GiB passed"
