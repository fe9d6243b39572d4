#!/usr/bin/env python3
"""Writes synthetic trees for the benchmark, each with a fixed seed:
  save    a game-save tree: thousands of small files, some medium ones, a few large ones; text-like
          (settings, JSON saves, logs), binary structured (entity tables, world chunks) and
          incompressible (screenshots, packed assets). About 300 MB.
  mixed   medium files alternating blocks of random bytes and structured records (64 KiB blocks and
          blocks of other sizes), and files whose head is random and whose body compresses. ~100 MB.
  random  incompressible files of all sizes. ~40 MB.
  text    plain text: settings, JSON, logs, CSV. ~40 MB.
  small   5,000 files of 1-64 KiB (sizes spread evenly on a log scale), mostly compressible. ~77 MB.
  many    20,000 tiny files of 100 B-4 KiB in 200 folders, where the cost per file call shows. ~25 MB.
Usage: gen_tree.py KIND DIR"""
import json
import math
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


def csv_blob(rng, size):
    rows, total = ["tick,player,x,y,z,event,value\n"], 0
    while total < size:
        row = (f"{rng.randrange(10**6)},{rng.randrange(64)},{rng.uniform(-900, 900):.3f},{rng.uniform(0, 300):.3f},"
               f"{rng.uniform(-900, 900):.3f},{rng.choice(WORDS)},{rng.randrange(100000)}\n")
        rows.append(row)
        total += len(row)
    return "".join(rows).encode()[:size]


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


def structured(rng, size):
    return rng.choice((entity_table, entity_table, world_chunks, text_blob))(rng, size)


def alternating(rng, size, block_sizes):
    """Blocks of random bytes and of structured records, one after the other."""
    out, random_turn = bytearray(), rng.random() < 0.5
    while len(out) < size:
        n = rng.choice(block_sizes)
        out += rng.randbytes(n) if random_turn else structured(rng, n)
        random_turn = not random_turn
    return bytes(out[:size])


def log_uniform(rng, low, high):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def save_tree(root, rng):
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


def mixed_tree(root, rng):
    for m in range(24):  # the shape that hid compressible blocks behind a random start
        write(f"{root}/saves/block64_{m:02}.sav", alternating(rng, rng.randrange(300_000, 3_000_000), (65536,)))
    for m in range(24):  # blocks of uneven sizes, so no block lines up with any fixed grid
        sizes = tuple(rng.randrange(2_000, 150_000) for _ in range(6))
        write(f"{root}/saves/uneven_{m:02}.sav", alternating(rng, rng.randrange(200_000, 2_500_000), sizes))
    for m in range(24):  # an embedded screenshot or encrypted header, then records
        head = rng.randbytes(rng.choice((4_000, 60_000, 300_000, 1_200_000, 2_500_000)))
        write(f"{root}/saves/headed_{m:02}.sav", head + structured(rng, rng.randrange(100_000, 2_000_000)))
    for m in range(60):  # and the plain kinds beside them
        kind = rng.choice(("random", "records", "text"))
        size = log_uniform(rng, 1_000, 1_500_000)
        make = {"random": lambda r, n: r.randbytes(n), "records": structured, "text": text_blob}[kind]
        data = make(rng, size)
        write(f"{root}/other/{kind}_{m:02}.dat", data)


def random_tree(root, rng):
    for m in range(80):
        write(f"{root}/r{m % 4}/blob_{m:02}.bin", rng.randbytes(log_uniform(rng, 10, 3_000_000)))
    write(f"{root}/pack.bin", rng.randbytes(6_000_000))


def text_tree(root, rng):
    makers = (text_blob, csv_blob)
    for m in range(150):
        write(f"{root}/t{m % 5}/doc_{m:03}.txt", rng.choice(makers)(rng, log_uniform(rng, 100, 2_000_000)))
    write(f"{root}/big.log", text_blob(rng, 8_000_000))


def small_tree(root, rng):
    makers = (text_blob, text_blob, entity_table, entity_table, world_chunks, csv_blob, lambda r, n: r.randbytes(n))
    for m in range(5000):
        write(f"{root}/d{m % 50:02}/f{m:04}.dat", rng.choice(makers)(rng, log_uniform(rng, 1024, 65536)))


def many_tree(root, rng):
    makers = (text_blob, entity_table, csv_blob)
    for m in range(20000):
        write(f"{root}/d{m % 200:03}/s{m:05}.dat", rng.choice(makers)(rng, log_uniform(rng, 100, 4096)))


def main(kind, root):
    trees = {"save": (save_tree, 20240611), "mixed": (mixed_tree, 7001), "random": (random_tree, 7002),
             "text": (text_tree, 7003), "small": (small_tree, 7004),
             "many": (many_tree, 7005)}
    make, seed = trees[kind]
    make(root, random.Random(seed))


if __name__ == "__main__":
    if len(sys.argv) == 2:
        main("save", sys.argv[1])
    else:
        main(sys.argv[1], sys.argv[2])
