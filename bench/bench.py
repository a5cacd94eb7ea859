#!/usr/bin/env python3
"""Benchmarks vantoro-cli against plain ffmpeg and cp on the same generated items.

Prints a table and writes it, with the machine it ran on, to bench/results.md.
Usage: bench.py BUILD_DIR   (bench/run.sh builds first and calls this)
"""
import os
import platform
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
CLI = os.path.join(BUILD, "src", "cli", "vantoro-cli")
HERE = os.path.dirname(os.path.abspath(__file__))
ITEMS = 2
SECONDS = 20
FRAGMENTED = ["-f", "mp4", "-movflags", "frag_keyframe+empty_moov+default_base_moof+global_sidx"]


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", *args], check=True)


def make_streams(folder):
    """One 720p item with a high bitrate, so copying it is about moving bytes."""
    os.makedirs(folder)
    ffmpeg("-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25", "-t", str(SECONDS),
           "-c:v", "libx264", "-preset", "ultrafast", "-qp", "8", "-g", "50", *FRAGMENTED,
           os.path.join(folder, "video.m4s"))
    ffmpeg("-f", "lavfi", "-i", "sine=frequency=440", "-t", str(SECONDS), "-c:a", "aac",
           *FRAGMENTED, os.path.join(folder, "audio.m4s"))


def make_cache(root, streams, count):
    """count items that share the same stream files (copied, so each is read from disk)."""
    for i in range(count):
        quality = os.path.join(root, f"item{i}", "64")
        os.makedirs(quality)
        for name in ("video.m4s", "audio.m4s"):
            shutil.copyfile(os.path.join(streams, name), os.path.join(quality, name))
        with open(os.path.join(root, f"item{i}", "entry.json"), "w") as entry:
            entry.write('{"shelf":{"download_subtitle":"Item %d"}}' % i)


def remove_outputs(root):
    for name in os.listdir(root):
        if name.endswith(".mp4"):
            os.remove(os.path.join(root, name))


def timed(command, repeat, before=None):
    """Median wall time of a command over repeat runs."""
    times = []
    for _ in range(repeat):
        if before:
            before()
        start = time.perf_counter()
        command()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def paired(first, second, repeat, before=None):
    """Medians of two commands run in turns, so drifts of the machine hit both alike."""
    a, b = [], []
    for _ in range(repeat):
        for command, times in ((first, a), (second, b)):
            if before:
                before()
            start = time.perf_counter()
            command()
            times.append(time.perf_counter() - start)
    return statistics.median(a), statistics.median(b)


def items_of(root):
    return sorted(d for d in os.listdir(root) if d.startswith("item"))


def direct_ffmpeg(root, extra, sync):
    for item in items_of(root):
        quality = os.path.join(root, item, "64")
        output = os.path.join(root, item.replace("item", "Item") + ".mp4")
        subprocess.run(["ffmpeg", "-i", os.path.join(quality, "video.m4s"), "-i",
                        os.path.join(quality, "audio.m4s"), *extra, output],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        if sync:
            os.sync()


def cli(root, *options):
    subprocess.run([CLI, "--quiet", *options, root], check=True)


def cli_at_terminal(root):
    """As a person runs it: at a pseudo-terminal, with the live progress line."""
    subprocess.run(["script", "-qfec", f"'{CLI}' '{root}'", "/dev/null"],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)


def copy_bytes(root, target, sync):
    for item in items_of(root):
        quality = os.path.join(root, item, "64")
        subprocess.run(["cp", os.path.join(quality, "video.m4s"), os.path.join(quality, "audio.m4s"),
                        target], check=True)
        if sync:
            os.sync()


def peak_memory_kib(command):
    """Peak resident memory of a child, read from the kernel's accounting after it ends."""
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.execv(command[0], command)
    _, _, usage = os.wait4(pid, 0)
    return usage.ru_maxrss


def dry_run_tree(root, count):
    for i in range(count):
        quality = os.path.join(root, f"{i // 100}", f"{i}", "64")
        os.makedirs(quality)
        open(os.path.join(quality, "video.m4s"), "w").close()
        with open(os.path.join(root, f"{i // 100}", f"{i}", "entry.json"), "w") as entry:
            entry.write('{"shelf":{"download_subtitle":"Episode %d"}}' % i)


def stop_time(root):
    """Seconds from SIGINT to exit while ffmpeg encodes."""
    remove_outputs(root)
    process = subprocess.Popen([CLI, "--quiet", root], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    start = time.perf_counter()
    process.send_signal(signal.SIGINT)
    code = process.wait()
    elapsed = time.perf_counter() - start
    leftovers = [n for n in os.listdir(root) if n.endswith(".mp4")]
    return elapsed, code, leftovers


def machine():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    ffmpeg_version = subprocess.run(["ffmpeg", "-version"], capture_output=True, text=True).stdout.split("\n")[0]
    return (f"{platform.system()} {platform.release()}, {os.cpu_count()} cores ({cpu}), "
            f"{memory:.0f} GiB; {ffmpeg_version}")


def main():
    work = tempfile.mkdtemp(prefix="vantoro-bench.")
    rows = []
    try:
        streams = os.path.join(work, "streams")
        make_streams(streams)
        size_mb = sum(os.path.getsize(os.path.join(streams, n)) for n in os.listdir(streams)) / 1e6
        root = os.path.join(work, "cache")
        make_cache(root, streams, ITEMS)
        clear = lambda: remove_outputs(root)
        per_item = lambda seconds: seconds / ITEMS

        plain_cli, plain_direct = paired(lambda: cli(root), lambda: direct_ffmpeg(root, [], False), 3, clear)
        rows.append(("(a) plain: vantoro-cli / ffmpeg direct, per item",
                     f"{per_item(plain_cli):.2f} s / {per_item(plain_direct):.2f} s",
                     plain_cli / plain_direct, "< 1.05"))

        live_cli, live_direct = paired(lambda: cli_at_terminal(root),
                                       lambda: direct_ffmpeg(root, [], False), 3, clear)
        rows.append(("    the same at a terminal, with live progress",
                     f"{per_item(live_cli):.2f} s / {per_item(live_direct):.2f} s",
                     live_cli / live_direct, "< 1.05"))

        copy_cli, copy_direct = paired(lambda: cli(root, "--copy"),
                                       lambda: direct_ffmpeg(root, ["-c", "copy"], False), 7, clear)
        rows.append(("(b) --copy / plain, per item",
                     f"{per_item(copy_cli):.3f} s / {per_item(plain_cli):.2f} s",
                     copy_cli / plain_cli, "(lower is faster)"))
        rows.append(("    --copy: vantoro-cli / ffmpeg direct, per item",
                     f"{per_item(copy_cli):.3f} s / {per_item(copy_direct):.3f} s",
                     copy_cli / copy_direct, ""))

        target = os.path.join(work, "copied")
        os.makedirs(target)
        cp_time = timed(lambda: copy_bytes(root, target, False), 7)
        rows.append((f"(c) --copy / cp of the same {size_mb:.0f} MB, page cache",
                     f"{per_item(copy_cli):.3f} s / {per_item(cp_time):.3f} s",
                     copy_cli / cp_time, "< 3"))
        copy_synced = timed(lambda: (cli(root, "--copy"), os.sync()), 3, clear)
        cp_synced = timed(lambda: copy_bytes(root, target, True), 3)
        rows.append(("    the same, each written through to the disk",
                     f"{per_item(copy_synced):.3f} s / {per_item(cp_synced):.3f} s",
                     copy_synced / cp_synced, "< 3"))

        memory = {}
        for count in (100, 10000):
            tree = os.path.join(work, f"dry{count}")
            dry_run_tree(tree, count)
            memory[count] = peak_memory_kib([CLI, "--dry-run", tree])
        rows.append(("(d) --dry-run peak memory, 100 / 10,000 items",
                     f"{memory[100] / 1024:.1f} MiB / {memory[10000] / 1024:.1f} MiB",
                     memory[10000] / memory[100], "about 1"))

        stops = [stop_time(root) for _ in range(3)]
        worst = max(s[0] for s in stops)
        clean = all(code == 130 and not left for _, code, left in stops)
        rows.append(("(e) SIGINT to exit while ffmpeg runs, worst of 3",
                     f"{worst * 1000:.0f} ms, exit 130 and no output: {'yes' if clean else 'NO'}",
                     worst, "< 1 s"))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    header = "| measurement | values | ratio or figure | target |\n|---|---|---|---|\n"
    table = header + "".join(f"| {name} | {values} | {ratio:.2f} | {goal} |\n"
                             for name, values, ratio, goal in rows)
    text = (f"# Benchmark results\n\nMachine: {machine()}\n\n"
            f"{ITEMS} items of {SECONDS} s, 1280x720 H.264 and AAC as fragmented MP4.\n\n{table}")
    print(text)
    with open(os.path.join(HERE, "results.md"), "w") as out:
        out.write(text)


if __name__ == "__main__":
    main()
