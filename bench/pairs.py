#!/usr/bin/env python3
"""Times the engine against Info-ZIP in interleaved rounds and prints medians of paired ratios.

Each round runs every command of a group once, in an order that rotates from round to round; each
command is prepared (its output removed, then `sync`) outside the timing. A ratio is taken within a
round (the peer's time over ours: above 1, we are faster) and the median over the rounds is
reported, so a burst of load on the machine moves one round, not the figure.
Usage: pairs.py NATIVE_EXE WINDOWS_EXE DATA_DIR RAM_DIR RUNS"""
import os
import resource
import statistics
import subprocess
import sys
import time


def run(command):
    subprocess.run(command, shell=True, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(prepare, command):
    """Seconds of the command, and the CPU seconds (user + system) of all it ran."""
    run(f"{prepare}; sync")
    start, cpu = time.perf_counter(), children_cpu()
    run(command)
    return time.perf_counter() - start, children_cpu() - cpu


def rounds(group, count, cpu=None):
    """group: name -> (prepare, command). One warm-up run each, then `count` timed rounds; with a
    dict `cpu`, the CPU seconds of each run go there, as the times go into the result."""
    names = list(group)
    for name in names:
        timed(*group[name])
    times = {name: [] for name in names}
    for r in range(count):
        shift = r % len(names)
        for name in names[shift:] + names[:shift]:
            seconds, cpu_seconds = timed(*group[name])
            times[name].append(seconds)
            if cpu is not None:
                cpu.setdefault(name, []).append(cpu_seconds)
    return times


def paired(times, peer, ours):
    return statistics.median(p / o for p, o in zip(times[peer], times[ours]))


def size(path):
    return os.path.getsize(path)


def peak_rss_kb(command):
    out = subprocess.run(f"/usr/bin/time -f %M {command}", shell=True, check=True, text=True,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).stderr
    return int(out.strip().splitlines()[-1])


def compress_group(tree, archive, native, windows=None):
    """zip -6, ours and (with `windows`) ours under Wine packing `tree` into ARCHIVE6.zip, .zip, -wine.zip."""
    group = {"zip": (f"rm -f {archive}6.zip", f"cd {tree} && zip -r -6 -q {archive}6.zip ."),
             "ours": (f"rm -f {archive}.zip", f"'{native}' compress {tree} {archive}.zip")}
    if windows:
        group["wine"] = (f"rm -f {archive}-wine.zip", f"wine '{windows}' compress 'Z:{tree}' 'Z:{archive}-wine.zip'")
    return group


def copy_command(tree, copy, touched=False):
    """A copy of `tree`; `touched`: every file with another time, so that none is as the archive has it."""
    touch = f" && find {copy} -type f -exec touch -d '2020-01-01 00:00' {{}} +" if touched else ""
    return f"cp -a {tree} {copy}{touch}"


def restore_over_group(tree, archive, ram, name, native, windows, with_native=True, touched=False):
    """`unzip -o` and the program's restore (safety copy included; natively and under Wine) of ARCHIVE
    over a fresh copy of `tree` in RAM: the everyday restore over the save it was made from; with
    `touched`, over a copy where every file has changed, so that every file is replaced."""
    def fresh(who):
        return f"rm -rf {ram}/{name}-{who} {ram}/{name}-{who}-backup && " + copy_command(tree, f"{ram}/{name}-{who}", touched)
    group = {"unzip": (fresh("unzip"), f"unzip -o -q {archive} -d {ram}/{name}-unzip"),
             "wine": (fresh("wine"), f"wine '{windows}' restore 'Z:{archive}' 'Z:{ram}/{name}-wine' "
                                     f"'Z:{ram}/{name}-wine-backup'")}
    if with_native:
        group["ours"] = (fresh("ours"), f"'{native}' restore {archive} {ram}/{name}-ours {ram}/{name}-ours-backup")
    return group


def check_restored(tree, ram, name, who):
    """The save is the archive's again, and the safety copy is there."""
    run(f"diff -r {tree} {ram}/{name}-{who}")
    run(f"ls {ram}/{name}-{who}-backup/*/*.zip")  # 恢复前, in GBK bytes natively


def main(native, windows, data, ram, count):
    save, small, many, out = f"{data}/save", f"{data}/small", f"{data}/many", f"{data}/out"
    os.makedirs(out, exist_ok=True)
    print(f"bench: compressing, {count} rounds", flush=True)
    compress_cpu = {}
    compress = rounds(compress_group(save, f"{out}/save", native, windows), count, compress_cpu)
    small_files = rounds(compress_group(small, f"{out}/small", native), count)
    print(f"bench: extracting into {ram}, {count} rounds", flush=True)
    extract = rounds({
        "unzip": (f"rm -rf {ram}/unzip", f"unzip -q {out}/save.zip -d {ram}/unzip"),
        "ours": (f"rm -rf {ram}/ours", f"'{native}' extract {out}/save.zip {ram}/ours"),
        "wine": (f"rm -rf {ram}/wine", f"wine '{windows}' extract 'Z:{out}/save.zip' 'Z:{ram}/wine'"),
    }, count)

    run(f"rm -rf {ram}/ours {ram}/wine {ram}/unzip")
    run(f"'{native}' compress {many} {out}/many.zip")
    print(f"bench: restoring over existing copies, {count} rounds", flush=True)
    restore_over = rounds(restore_over_group(save, f"{out}/save.zip", ram, "over", native, windows), count)
    for who in ("ours", "wine"):
        check_restored(save, ram, "over", who)
    run(f"rm -rf {ram}/over-*")
    changed_over = rounds(restore_over_group(save, f"{out}/save.zip", ram, "changed", native, windows, True, True), count)
    for who in ("ours", "wine"):
        check_restored(save, ram, "changed", who)
    run(f"rm -rf {ram}/changed-*")
    small_over = rounds(restore_over_group(many, f"{out}/many.zip", ram, "many", native, windows, False), count)
    check_restored(many, ram, "many", "wine")
    run(f"rm -rf {ram}/many-*")
    print(f"bench: backup of the mixed tree under Wine, {count} rounds", flush=True)
    mixed_backup = rounds({
        "zip": (f"rm -f {out}/mixed6.zip", f"cd {data}/mixed && zip -r -6 -q {out}/mixed6.zip ."),
        "wine": (f"rm -rf {out}/mixed-backup", f"wine '{windows}' backup 'Z:{data}/mixed' 'Z:{out}/mixed-backup'"),
    }, count)

    print("bench: checking the results and sizes", flush=True)
    for kind in ("mixed", "random", "text"):
        for prepare, command in compress_group(f"{data}/{kind}", f"{out}/{kind}", native).values():
            run(f"{prepare}; {command}")
    sizes = {}
    for kind in ("save", "small", "mixed", "random", "text"):
        run(f"unzip -tq {out}/{kind}.zip")
        sizes[kind] = size(f"{out}/{kind}.zip") / size(f"{out}/{kind}6.zip")
    run(f"unzip -tq {out}/save-wine.zip")
    wine_mixed = [f for f in os.listdir(f"{out}/mixed-backup") if f.endswith(".zip")]
    run(f"unzip -tq '{out}/mixed-backup/{wine_mixed[0]}'")
    sizes["wine mixed"] = size(f"{out}/mixed-backup/{wine_mixed[0]}") / size(f"{out}/mixed6.zip")
    run(f"cp -a {many} {ram}/rss-many")  # the existing copies the restores go over
    run(copy_command(save, f"{ram}/rss-changed", True))
    peaks = {name: peak_rss_kb(command) for name, command in (
        ("compress", f"'{native}' compress {save} {out}/rss.zip"),
        ("extract", f"'{native}' extract {out}/save.zip {ram}/rss"),
        ("compress small", f"'{native}' compress {small} {out}/rss-small.zip"),
        ("restore over", f"'{native}' restore {out}/save.zip {ram}/rss {ram}/rss-backup"),
        ("restore over small", f"'{native}' restore {out}/many.zip {ram}/rss-many {ram}/rss-many-backup"),
        ("restore over changed", f"'{native}' restore {out}/save.zip {ram}/rss-changed {ram}/rss-changed-backup"))}
    run(f"rm -rf {out}/rss.zip {out}/rss-small.zip {ram}/rss*")

    for label, times in (("compress", compress), ("small files", small_files), ("extract", extract),
                         ("restore over", restore_over), ("restore over changed", changed_over),
                         ("restore over 20,000 small", small_over),
                         ("backup mixed (Wine)", mixed_backup)):
        medians = "  ".join(f"{name} {statistics.median(t):.2f}s" for name, t in times.items())
        print(f"{label}: median seconds  {medians}")
    print("CPU seconds of the save tree's compress: " + "  ".join(
        f"{name} {statistics.median(compress_cpu[name]):.2f}s" for name in ("zip", "ours")))
    print("size vs zip -6: " + "  ".join(f"{kind} {ratio:.4f}" for kind, ratio in sizes.items()))
    print("peak RSS (MB): " + "  ".join(f"{name} {kb / 1024:.0f}" for name, kb in peaks.items()))
    print(f"compress_vs_zip6={paired(compress, 'zip', 'ours'):.2f} size_vs_zip6={sizes['save']:.3f} "
          f"mixed_size_vs_zip6={sizes['mixed']:.3f} small_files_vs_zip6={paired(small_files, 'zip', 'ours'):.2f} "
          f"extract_vs_unzip={paired(extract, 'unzip', 'ours'):.2f} peak_rss_mb={round(max(peaks.values()) / 1024)} "
          f"wine_compress_vs_zip6={paired(compress, 'zip', 'wine'):.2f} "
          f"wine_extract_vs_unzip={paired(extract, 'unzip', 'wine'):.2f} "
          f"restore_over_vs_unzip={paired(restore_over, 'unzip', 'ours'):.2f} "
          f"wine_restore_over_vs_unzip={paired(restore_over, 'unzip', 'wine'):.2f} "
          f"wine_small_restore_over_vs_unzip={paired(small_over, 'unzip', 'wine'):.3f} "
          f"wine_mixed_compress_vs_zip6={paired(mixed_backup, 'zip', 'wine'):.2f} "
          f"wine_mixed_size_vs_zip6={sizes['wine mixed']:.3f} "
          f"restore_over_changed_vs_unzip={paired(changed_over, 'unzip', 'ours'):.2f} "
          f"wine_restore_over_changed_vs_unzip={paired(changed_over, 'unzip', 'wine'):.2f} "
          f"cpu_vs_zip6={paired(compress_cpu, 'ours', 'zip'):.2f}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]))
