#!/usr/bin/env bash
# Fuzzes the ZIP reader (central directory, names, inflate by libdeflate and zlib, and checks) with
# libFuzzer, ASan and UBSan for a bounded time (FUZZ_SECONDS, default 60). Exits non-zero when an
# input crashes it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/fuzz"
seconds="${FUZZ_SECONDS:-60}"
mkdir -p "$out/corpus" "$out/seeds"

# libdeflate from its Debian source package, with the same sanitizers and coverage as the reader.
deflate="$out/libdeflate"
if [ ! -f "$deflate/libdeflate.a" ]; then
  rm -rf "$deflate" && mkdir -p "$deflate"
  tar -xzf "$(bash "$root/scripts/fetch-libdeflate.sh")" -C "$deflate" --strip-components=1
  make -s -C "$deflate" CC=clang CFLAGS="-g -fsanitize=fuzzer-no-link,address,undefined" libdeflate.a
fi

zip_src="$root/src/backup/zip"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" -I"$root/tests" "$root/tests/fuzz/zip_reader_fuzz.cpp" \
  "$zip_src/archive_reader.cpp" "$zip_src/entry_decoder.cpp" "$zip_src/format.cpp" "$zip_src/names.cpp" "$root/src/paths/device_names.cpp" \
  "$zip_src/entry_paths.cpp" "$zip_src/case_fold.cpp" \
  "$root/src/paths/gbk_text.cpp" \
  -I"$deflate" "$deflate/libdeflate.a" -lz -o "$out/zip_reader_fuzz"

# Seeds: small archives of several shapes (deflated, stored, folders, Zip64, Info-ZIP extras).
if [ -z "$(ls -A "$out/seeds")" ] && command -v python3 >/dev/null; then
  python3 - "$out/seeds" <<'PY'
import io, sys, zipfile
out = sys.argv[1]
def make(name, entries, method=zipfile.ZIP_DEFLATED, zip64=False):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for n, d in entries:
            info = zipfile.ZipInfo(n)
            info.compress_type = method
            with z.open(info, "w", force_zip64=zip64) as f:
                f.write(d)
    open(f"{out}/{name}.zip", "wb").write(buf.getvalue())
text = b"level=3\ngold=120\n" * 40
make("deflated", [("save/slot1.sav", text), ("save/", b""), ("a.txt", b"x")])
make("stored", [("s.bin", bytes(range(256))), ("\u5b58\u6863.sav", text)], zipfile.ZIP_STORED)
make("zip64", [("big.sav", text)], zip64=True)
make("empty", [])
# Names of other tools: a GBK name with an Info-ZIP Unicode Path field, UTF-8 names without the
# flag, and names that differ only in case.
import struct, zlib
def raw_archive(name, entries):
    local, central = b"", b""
    for raw, extra in entries:
        crc = zlib.crc32(b"x")
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 0x031e, 20, 0, 0, 0, 0, crc, 1, 1,
                               len(raw), len(extra), 0, 0, 0, 0, len(local)) + raw + extra
        local += struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 0, 0, 0, crc, 1, 1, len(raw), 0) + raw + b"x"
    end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, len(entries), len(entries), len(central), len(local), 0)
    open(f"{out}/{name}.zip", "wb").write(local + central + end)
gbk, utf8 = "存档.sav".encode("gbk"), "存档.sav".encode("utf-8")
unicode_path = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(gbk)) + utf8
raw_archive("unicode_path", [(gbk, unicode_path), ("空文件.dat".encode("utf-8"), b""), ("存档/".encode("utf-8"), b"")])
raw_archive("case", [(b"Save.dat", b""), (b"save.dat", b""), (b"A/b", b""), (b"a", b""), (b"bad?.txt", b"")])
PY
fi
if command -v zip >/dev/null; then
  tmp="$(mktemp -d)"
  printf 'hello save\n' >"$tmp/one.sav"
  (cd "$tmp" && zip -q -r "$out/seeds/infozip.zip" one.sav) || true
  rm -rf "$tmp"
fi

"$out/zip_reader_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$out/seeds" 2>"$out/fuzz.log" || {
  tail -40 "$out/fuzz.log"
  echo "fuzz: the reader crashed; the input is in $out/"
  exit 1
}
grep -E "stat::number_of_executed_units|Done" "$out/fuzz.log" | tail -2
echo "fuzz: no crash in ${seconds}s"
