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


def make_streams(folder, size="1280x720", seconds=SECONDS, qp=8):
    """One item with a high bitrate, so copying it is about moving bytes: by default 720p of
    29 MB; at 1080p and qp 14 a minute makes about 150 MB, as a long download does."""
    os.makedirs(folder)
    ffmpeg("-f", "lavfi", "-i", f"testsrc2=size={size}:rate=25", "-t", str(seconds),
           "-c:v", "libx264", "-preset", "ultrafast", "-qp", str(qp), "-g", "50", *FRAGMENTED,
           os.path.join(folder, "video.m4s"))
    ffmpeg("-f", "lavfi", "-i", "sine=frequency=440", "-t", str(seconds), "-c:a", "aac",
           *FRAGMENTED, os.path.join(folder, "audio.m4s"))


def make_cache(root, streams, count):
    """count items that share the same stream files (copied, so each is read from disk)."""
    for i in range(count):
        quality = os.path.join(root, f"item{i}", "64")
        os.makedirs(quality)
        for name in ("video.m4s", "audio.m4s"):
            shutil.copyfile(os.path.join(streams, name), os.path.join(quality, name))
        with open(os.path.join(root, f"item{i}", "entry.json"), "w") as entry:
            entry.write('{"title":{"download_subtitle":"Item %d"}}' % i)


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


def in_turns(commands, repeat, before=None):
    """Medians of commands run in turns, so drifts of the machine hit all alike."""
    times = [[] for _ in commands]
    for _ in range(repeat):
        for command, taken in zip(commands, times):
            if before:
                before()
            start = time.perf_counter()
            command()
            taken.append(time.perf_counter() - start)
    return [statistics.median(taken) for taken in times]


def paired(first, second, repeat, before=None):
    return in_turns((first, second), repeat, before)


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
    """count items side by side in one folder, as a video app keeps its downloads."""
    for i in range(count):
        quality = os.path.join(root, f"{i}", "64")
        os.makedirs(quality)
        open(os.path.join(quality, "video.m4s"), "w").close()
        with open(os.path.join(root, f"{i}", "entry.json"), "w") as entry:
            entry.write('{"title":{"download_subtitle":"Episode %d"}}' % i)


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


def converted_tree(root, streams, count):
    """count items converted once already (with --copy, which is quick), ready for a rerun."""
    make_cache(root, streams, count)
    cli(root, "--copy")


def tree_times(root):
    """Every entry below root with its time of change: a file made and removed again changes its
    folder's."""
    entries = [(root, os.stat(root).st_mtime_ns)]
    for folder, names, files in os.walk(root):
        for name in names + files:
            path = os.path.join(folder, name)
            entries.append((path, os.lstat(path).st_mtime_ns))
    return sorted(entries)


def flush_cost(root):
    """Seconds of a run that removes the sources (and so flushes the output first) and of one
    that does not, each on a fresh copy of the same item with the disk quiet."""
    remove_outputs(root)
    keep = root + ".keep"
    shutil.copytree(root, keep)

    def fresh():
        shutil.rmtree(root)
        shutil.copytree(keep, root)
        os.sync()
    without = timed(lambda: cli(root, "--copy"), 3, fresh)
    removing = timed(lambda: cli(root, "--copy", "--delete-source"), 3, fresh)
    return without, removing


def psnr(source, output):
    """Average PSNR of an output's picture against its source, as Debian's ffmpeg measures it."""
    said = subprocess.run(["ffmpeg", "-nostdin", "-i", output, "-i", source, "-lavfi", "psnr",
                           "-f", "null", "-"], capture_output=True, text=True).stderr
    for part in said.split():
        if part.startswith("average:"):
            return float(part.split(":")[1])
    raise RuntimeError("ffmpeg measured no PSNR:\n" + said)


def windows_quality(work, streams):
    """PSNR of the Windows build's plain conversion (under Wine, with its own ffmpeg.exe) and the
    Linux build's of the same 1080p item; None when the Windows build is not here."""
    root_dir = os.path.dirname(HERE)
    cli_exe = os.path.join(root_dir, "build-win64", "src", "cli", "vantoro-cli.exe")
    cache = os.environ.get("VANTORO_WINDOWS_CACHE", os.path.expanduser("~/.cache/vantoro-windows"))
    ffmpeg_exe = os.path.join(cache, "x86_64", "ffmpeg", "bin", "ffmpeg.exe")
    wine = "/usr/lib/wine/wine64"
    if not (os.path.exists(cli_exe) and os.path.exists(ffmpeg_exe) and os.path.exists(wine)):
        return None
    results = {}
    for name, command in (("linux", [CLI]),
                          ("windows", [wine, cli_exe, "--ffmpeg", "Z:" + ffmpeg_exe.replace("/", "\\")])):
        root = os.path.join(work, "quality-" + name)
        make_cache(root, streams, 1)
        env = dict(os.environ, WINEPREFIX=os.path.join(cache, "x86_64", "wineprefix"), WINEDEBUG="-all")
        subprocess.run([*command, "--quiet", root], check=True, env=env, stdin=subprocess.DEVNULL)
        results[name] = psnr(os.path.join(streams, "video.m4s"), os.path.join(root, "Item0.mp4"))
    return results


def drop_caches():
    """Empties the system's file cache, so reads come from the disk; False where not allowed."""
    os.sync()
    try:
        with open("/proc/sys/vm/drop_caches", "w") as caches:
            caches.write("3\n")
        return True
    except OSError:
        return False


def check_rows(work, converted, rows):
    """vantoro-cli --check over a library of at least 1 GB of outputs against cat reading the
    same files: from the disk where the file cache can be emptied, else both from the cache."""
    library = os.path.join(work, "library")
    os.makedirs(library)
    output = next(os.path.join(converted, n) for n in os.listdir(converted) if n.endswith(".mp4"))
    copies = max(1, -(-10**9 // os.path.getsize(output)))
    for i in range(copies):
        shutil.copyfile(output, os.path.join(library, f"copy{i}.mp4"))
    files = [os.path.join(library, n) for n in sorted(os.listdir(library))]
    gigabytes = sum(os.path.getsize(f) for f in files) / 1e9
    cold = drop_caches()
    before = drop_caches if cold else os.sync
    check, cat = paired(lambda: subprocess.run([CLI, "--check", library], stdout=subprocess.DEVNULL,
                                               check=True),
                        lambda: subprocess.run(["cat", *files], stdout=subprocess.DEVNULL,
                                               check=True), 3, before)
    where = "from the disk" if cold else "from the file cache (it cannot be emptied here)"
    rows.append((f"--check / cat, {gigabytes:.1f} GB of outputs {where}",
                 f"{check:.2f} s / {cat:.2f} s", check / cat, "<= 1.3"))


def large_check_rows(work, rows):
    """--check of one output of over 2 GB (a long film, copied: a 20 s 1080p stream looped)
    against cat of the same file, from the disk (where the file cache can be emptied) and from
    the file cache."""
    streams = os.path.join(work, "long-streams")
    make_streams(streams, "1920x1080", 20, 4)
    cache = os.path.join(work, "long")
    quality = os.path.join(cache, "film", "64")
    os.makedirs(quality)
    for name in ("video.m4s", "audio.m4s"):
        ffmpeg("-stream_loop", "27", "-i", os.path.join(streams, name), "-c", "copy", *FRAGMENTED,
               os.path.join(quality, name))
    with open(os.path.join(cache, "film", "entry.json"), "w") as entry:
        entry.write('{"title":{"download_subtitle":"Film"}}')
    cli(cache, "--copy")
    output = os.path.join(cache, "Film.mp4")
    gigabytes = os.path.getsize(output) / 1e9
    check = lambda: subprocess.run([CLI, "--check", "--quiet", cache], stdout=subprocess.DEVNULL,
                                   check=True)
    cat = lambda: subprocess.run(["cat", output], stdout=subprocess.DEVNULL, check=True)
    # The program's own start (the libraries FFmpeg brings), which cat does not pay.
    empty = os.path.join(work, "empty")
    os.makedirs(empty, exist_ok=True)
    start = lambda: subprocess.run([CLI, "--check", "--quiet", empty], stdout=subprocess.DEVNULL,
                                   check=True)

    def row(where, before):
        checked, catted, started = in_turns((check, cat, start), 7, before)
        rows.append((f"--check / cat, one output of {gigabytes:.1f} GB, {where}",
                     f"{checked:.2f} s / {catted:.2f} s (the start alone {started:.2f} s; beyond "
                     f"it {(checked - started) / catted:.2f})", checked / catted, "<= 1.2"))

    if drop_caches():
        row("from the disk", drop_caches)
    cat()
    row("from the file cache", None)
    shutil.rmtree(cache)


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
        rows.append(("plain: vantoro-cli / ffmpeg direct, per item",
                     f"{per_item(plain_cli):.2f} s / {per_item(plain_direct):.2f} s",
                     plain_cli / plain_direct, "< 1.05"))

        # Reruns: every item's output is there already, so only the checks cost anything.
        small = os.path.join(work, "small")
        make_streams(small, "160x120", 3, 30)
        rerun_tree = os.path.join(work, "rerun")
        converted_tree(rerun_tree, small, 300)
        before = tree_times(rerun_tree)
        rerun = timed(lambda: cli(rerun_tree), 5)
        unchanged = "yes" if tree_times(rerun_tree) == before else "NO"
        # What the items cost, without the program's start and end.
        empty = os.path.join(work, "empty")
        os.makedirs(empty)
        per_item = (rerun - timed(lambda: cli(empty), 5)) / 300 * 1000
        rows.append(("rerun over 300 converted items, per item beyond the program's start "
                     "(no lock taken, nothing written)",
                     f"{per_item:.2f} ms (whole run {rerun:.2f} s), the tree unchanged: {unchanged}",
                     per_item, "<= 1 ms, unchanged"))
        # Items an earlier removal left half done: each output folder's tags are read once a run.
        half = os.path.join(work, "half")
        converted_tree(half, small, 200)
        for item in items_of(half):
            os.remove(os.path.join(half, item, "64", "audio.m4s"))
        half_time = timed(lambda: cli(half), 3)
        rows.append(("a run over 200 half-removed items, whole run (no removal)",
                     f"{half_time:.2f} s", half_time, "<= 3 s"))
        dry_tree = os.path.join(work, "dry-converted")
        converted_tree(dry_tree, small, 1000)
        dry = timed(lambda: cli(dry_tree, "--dry-run"), 3)
        rows.append(("--dry-run over 1,000 converted items, whole run", f"{dry:.2f} s", dry,
                     "<= 10 s"))

        # Copying: the program's work beside ffmpeg's own, on a 29 MB and a 180 MB item.
        big_streams = os.path.join(work, "big-streams")
        make_streams(big_streams, "1920x1080", 60, 14)
        big_mb = sum(os.path.getsize(os.path.join(big_streams, n)) for n in os.listdir(big_streams)) / 1e6
        big = os.path.join(work, "big")
        make_cache(big, big_streams, 1)
        target = os.path.join(work, "copied")
        os.makedirs(target)
        ten = os.path.join(work, "ten")
        make_cache(ten, streams, 10)
        for label, tree, count in ((f"{ITEMS} items of {size_mb:.0f} MB", root, ITEMS),
                                   (f"10 items of {size_mb:.0f} MB", ten, 10),
                                   (f"1 item of {big_mb:.0f} MB", big, 1)):
            # Each run starts with the disk quiet: the last output's write-back is not its cost.
            tidy = lambda tree=tree: (remove_outputs(tree), os.sync())
            copy_cli, copy_direct = paired(lambda tree=tree: cli(tree, "--copy"),
                                           lambda tree=tree: direct_ffmpeg(tree, ["-c", "copy"], False),
                                           7, tidy)
            # The output is read back once to record its checksums in its tag: 1.10 as before,
            # and the 0.3 of ffmpeg's own time that recording them may cost.
            rows.append((f"--copy: vantoro-cli / ffmpeg direct, {label}",
                         f"{copy_cli / count:.3f} s / {copy_direct / count:.3f} s",
                         copy_cli / copy_direct, "<= 1.40"))
        quiet = lambda: (remove_outputs(big), os.sync())
        copy_cli = timed(lambda: cli(big, "--copy"), 7, quiet)
        copy_direct = timed(lambda: direct_ffmpeg(big, ["-c", "copy"], False), 7, quiet)
        cp_time = timed(lambda: copy_bytes(big, target, False), 7, os.sync)
        rows.append((f"--copy / cp, {big_mb:.0f} MB item (ffmpeg -c copy alone / cp)",
                     f"{copy_cli:.3f} s / {cp_time:.3f} s ({copy_direct / cp_time:.2f})",
                     copy_cli / cp_time, f"<= {1.4 * copy_direct / cp_time:.2f}"))

        # A proof by the checksums an output recorded reads it whole once, as --check does.
        cli(big, "--copy")
        proof = timed(lambda: subprocess.run([CLI, "--check", big], stdout=subprocess.DEVNULL,
                                             check=True), 7, os.sync)
        rows.append((f"--check of the {big_mb:.0f} MB output (a proof by its checksums) / its "
                     "--copy conversion", f"{proof:.3f} s / {copy_cli:.3f} s", proof / copy_cli,
                     "<= 0.5"))
        # Recording the checksums as an output is made is the same read, from the file cache.
        rows.append((f"recording the checksums (the read --check makes) / ffmpeg -c copy alone, "
                     f"{big_mb:.0f} MB item", f"{proof:.3f} s / {copy_direct:.3f} s",
                     proof / copy_direct, "<= 0.3"))
        check_rows(work, big, rows)
        large_check_rows(work, rows)

        # Before the sources go, the output is read to its last byte and flushed to the disk.
        without, removing = flush_cost(big)
        # What removal adds to the run, over the conversion: ffmpeg's checksums, the read of every
        # packet, the flush and the removal. The proof alone (the first two) should stay within
        # half of the conversion; the README gives the parts, measured apart.
        rows.append((f"--copy: what removal adds / the run without it, {big_mb:.0f} MB item",
                     f"{removing - without:.2f} s / {without:.2f} s",
                     (removing - without) / without, "proof alone <= 0.5"))

        memory = {}
        for count in (100, 1000, 100000):
            tree = os.path.join(work, f"dry{count}")
            dry_run_tree(tree, count)
            memory[count] = peak_memory_kib([CLI, "--dry-run", tree])
        rows.append(("--dry-run peak memory, 100 / 1,000 / 100,000 items in one folder",
                     " / ".join(f"{memory[count] / 1024:.1f} MiB" for count in (100, 1000, 100000)),
                     memory[100000] / memory[1000], "<= 1.2"))

        # An ffmpeg that can never start (no program at all) is not tried for every item.
        unstartable = os.path.join(work, "unstartable")
        make_cache(unstartable, small, 12)
        no_program = os.path.join(work, "no-program")
        with open(no_program, "w") as text:
            text.write("no program\n")
        os.chmod(no_program, 0o755)
        # Every item fails (exit code 1), as it should.
        failing = timed(lambda: subprocess.run([CLI, "--quiet", "--ffmpeg", no_program, unstartable]),
                        3)
        rows.append(("12 items whose ffmpeg is no program, whole run", f"{failing:.2f} s", failing,
                     "< 3 s"))

        stops = [stop_time(root) for _ in range(3)]
        worst = max(s[0] for s in stops)
        clean = all(code == 130 and not left for _, code, left in stops)
        rows.append(("SIGINT to exit while ffmpeg runs, worst of 3",
                     f"{worst * 1000:.0f} ms, exit 130 and no output: {'yes' if clean else 'NO'}",
                     worst, "< 1 s"))

        quality_streams = os.path.join(work, "quality-streams")
        make_streams(quality_streams, "1920x1080", 8, 14)
        quality = windows_quality(work, quality_streams)
        if quality:
            rows.append(("plain 1080p: PSNR of the Windows build (Wine) / the Linux build",
                         f"{quality['windows']:.2f} dB / {quality['linux']:.2f} dB",
                         quality["linux"] - quality["windows"], "<= 1 dB"))
        else:
            rows.append(("plain 1080p: PSNR of the Windows build / the Linux build",
                         "no Windows build here (scripts/windows.sh)", float("nan"), "<= 1 dB"))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    header = "| measurement | values | ratio or figure | target |\n|---|---|---|---|\n"
    table = header + "".join(f"| {name} | {values} | {ratio:.2f} | {goal} |\n"
                             for name, values, ratio, goal in rows)
    text = (f"# Benchmark results\n\nMachine: {machine()}\n\n"
            f"{ITEMS} items of {SECONDS} s, 1280x720 H.264 and AAC as fragmented MP4; one of 60 s "
            f"at 1080p for the large rows.\n\n{table}")
    print(text)
    with open(os.path.join(HERE, "results.md"), "w") as out:
        out.write(text)


if __name__ == "__main__":
    main()
