#!/usr/bin/python3
"""Whole-process speed of `vantrel capture`, side by side with what it is measured against.
This machine is noisy, so each comparison is a ratio of two commands, not a time: hyperfine
times the pair in several short rounds, one after the other, so that a slow spell of the machine
falls on both; the verdict is the median of the rounds' ratios of mean times, and the ratio of
the fastest runs (the least disturbed) is shown beside it.

    bench/studio_speed.py [--build build] [--rounds 5] [--runs 10]

1. A 4000 x 3000 baseline JPEG: `vantrel capture` within 1.2 x `djpeg -scale 1/8` of the file.
2. An 800 x 600 RGB PackBits PSD (typical of exam documents): `vantrel capture` within 2 x a
   process that only decodes and area-averages it (bench/tools/studio_render_only).
3. A 4000 x 3000 RGB PackBits PSD: `vantrel capture` at least 20 x faster than ImageMagick's
   `-filter box -resize 200x160!`.

The documents come from the build's make_bench_documents. Needs Debian's hyperfine,
libjpeg-turbo-progs and imagemagick (`bash dev.sh bench` installs them). Exits 1 when a ratio
is out of bounds.
"""

import argparse
import json
import os
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile


def timed(commands, runs, warmup):
    """Each command's mean and fastest wall time, in seconds."""
    with tempfile.NamedTemporaryFile(suffix=".json") as export:
        subprocess.run(["hyperfine", "-N", "--style", "none", "--warmup", str(warmup), "--runs", str(runs),
                        "--export-json", export.name] + commands, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        results = json.load(open(export.name))["results"]
    return [(r["mean"], r["min"]) for r in results]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--runs", type=int, default=10, help="runs of each command per round")
    args = parser.parse_args()
    vantrel = os.path.join(args.build, "vantrel")
    render_only = os.path.join(args.build, "bench", "studio_render_only")
    documents = os.path.join(args.build, "bench-documents")
    subprocess.run([os.path.join(args.build, "bench", "make_bench_documents"), documents], check=True)
    # Outputs on a memory file system: ext4 flushes a file that is truncated and written again
    # when it is closed, which would time the disk rather than the programs.
    out = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    capture = lambda path: f"{vantrel} capture {shlex.quote(path)} -o {out}/capture.png"
    # Debian's own binary by its full name: a `convert` earlier on PATH may be a wrapper script,
    # whose start-up would be timed as ImageMagick's.
    magick = shutil.which("convert-im6.q16") or "convert"

    jpeg = os.path.join(documents, "photo-4000x3000.jpg")
    small = os.path.join(documents, "photo-800x600.psd")
    large = os.path.join(documents, "photo-4000x3000.psd")
    # (what, studio command, other command, bound, whether the studio must be faster by the bound)
    comparisons = [
        ("4000x3000 baseline JPEG: capture / djpeg -scale 1/8", capture(jpeg),
         f"djpeg -scale 1/8 -outfile {out}/djpeg.ppm {shlex.quote(jpeg)}", 1.2, False),
        ("800x600 RLE PSD: capture / decode and average only", capture(small),
         f"{render_only} {shlex.quote(small)}", 2.0, False),
        ("4000x3000 RLE PSD: ImageMagick box / capture", capture(large),
         f"{magick} {shlex.quote(large)}[0] -filter box -resize 200x160! {out}/magick.png", 20.0, True),
    ]
    failed = 0
    print("| comparison | studio ms (mean, fastest) | other ms (mean, fastest) | ratio: median of rounds | of fastest | bound | |")
    print("|---|---:|---:|---:|---:|---:|---|")
    for what, studio, other, bound, faster in comparisons:
        if not os.path.exists(jpeg) and "JPEG" in what:
            print(f"| {what} | | | | | | skipped: this build has no JPEG |")
            continue
        runs = args.runs if "4000x3000 RLE PSD" not in what else max(3, args.runs // 3)
        rounds = [timed([studio, other], runs, warmup=2) for _ in range(args.rounds)]
        ratio_of = lambda s, o: o / s if faster else s / o
        ratio = statistics.median(ratio_of(r[0][0], r[1][0]) for r in rounds)
        s_mean = statistics.mean(r[0][0] for r in rounds)
        o_mean = statistics.mean(r[1][0] for r in rounds)
        s_min = min(r[0][1] for r in rounds)
        o_min = min(r[1][1] for r in rounds)
        ok = ratio >= bound if faster else ratio <= bound
        failed += 0 if ok else 1
        relation = ">=" if faster else "<="
        print(f"| {what} | {s_mean * 1e3:.1f}, {s_min * 1e3:.1f} | {o_mean * 1e3:.1f}, {o_min * 1e3:.1f} |"
              f" {ratio:.2f} | {ratio_of(s_min, o_min):.2f} | {relation} {bound} | {'ok' if ok else 'OUT'} |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
