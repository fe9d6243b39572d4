#!/usr/bin/env python3
"""Writes a synthetic game-save tree with a fixed seed: thousands of small files, some medium ones,
a few large ones; text-like (settings, JSON saves, logs), binary structured (entity tables, world
chunks) and incompressible (screenshots, packed assets). About 300 MB in all."""
import json
import os
import random
import struct
import sys

WORDS = ("player level gold hp mp quest inventory sword shield potion dragon village forest castle "
         "north south east west enabled disabled true false count name id position rotation scale "
         "health mana stamina experience skill armor weapon ring amulet boots helmet cloak").split()


def text_blob(rng, size):
    kind = rng.randrange(3)
    parts, total = [], 0
    while total < size:
        if kind == 0:  # key=value settings
            line = f"{rng.choice(WORDS)}_{rng.choice(WORDS)}={rng.randrange(10000)}\n"
        elif kind == 1:  # JSON save records
            line = json.dumps({"id": rng.randrange(1 << 20), "type": rng.choice(WORDS),
                               "pos": [round(rng.uniform(-500, 500), 2) for _ in range(3)],
                               "hp": rng.randrange(1000), "tags": rng.sample(WORDS, 3)}) + ",\n"
        else:  # log lines
            line = (f"[{rng.randrange(24):02}:{rng.randrange(60):02}:{rng.randrange(60):02}.{rng.randrange(1000):03}] "
                    f"{rng.choice(('INFO', 'WARN', 'DEBUG'))} {' '.join(rng.choices(WORDS, k=rng.randrange(4, 12)))}\n")
        parts.append(line)
        total += len(line)
    return "".join(parts).encode()[:size]


def entity_table(rng, size):
    """Fixed-size records: ids counting up, a few types, coarse positions, small counters."""
    names = [w.encode().ljust(16, b"\0") for w in rng.sample(WORDS, 12)]
    rec = struct.Struct("<IHhfffHB16sxxxxx")
    out, i = bytearray(), rng.randrange(1000)
    while len(out) < size:
        out += rec.pack(i, rng.randrange(8), rng.randrange(-3, 4), rng.randrange(-4096, 4096) / 8,
                        rng.randrange(0, 256) / 4, rng.randrange(-4096, 4096) / 8, rng.randrange(500),
                        rng.randrange(4), rng.choice(names))
        i += 1
    return bytes(out[:size])


def world_chunks(rng, size):
    """Block columns: long runs of the same block with scattered ores, plus a little noise."""
    out = bytearray()
    while len(out) < size:
        column = bytearray()
        height = rng.randrange(60, 90)
        for layer, block in ((height - 4, 1), (3, 3), (1, 2)):
            column += bytes([block]) * layer
        column += bytes(256 - len(column))
        for _ in range(rng.randrange(4)):
            column[rng.randrange(5, 60)] = rng.choice((14, 15, 16, 56))
        out += column + rng.randbytes(8)
    return bytes(out[:size])


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(root):
    rng = random.Random(20240611)
    kinds = {"text": text_blob, "table": entity_table, "world": world_chunks, "random": lambda r, n: r.randbytes(n)}
    for p in range(40):
        base = f"{root}/profiles/profile_{p:02}"
        for s in range(75):
            write(f"{base}/slots/slot_{s:03}.json", text_blob(rng, rng.randrange(1000, 24000)))
        for s in range(50):
            write(f"{base}/state/entities_{s:03}.bin", entity_table(rng, rng.randrange(2000, 40000)))
        os.makedirs(f"{base}/cloud_sync", exist_ok=True)
        write(f"{base}/lock", b"")
    for m in range(100):
        kind = rng.choice(("table", "world", "text", "table"))
        write(f"{root}/world/regions/r.{m % 10}.{m // 10}.{kind}", kinds[kind](rng, rng.randrange(200_000, 1_800_000)))
    for m in range(60):
        write(f"{root}/screenshots/shot_{m:03}.png", rng.randbytes(rng.randrange(100_000, 1_500_000)))
    write(f"{root}/world/world.dat", world_chunks(rng, 40_000_000))
    write(f"{root}/logs/replay.log", text_blob(rng, 25_000_000))
    write(f"{root}/assets/packed.pak", rng.randbytes(30_000_000))
    os.makedirs(f"{root}/mods/disabled", exist_ok=True)


if __name__ == "__main__":
    main(sys.argv[1])
