#!/usr/bin/env bash
# Examinees per second of `vantrel batch --jobs 2` against the single-thread in-process loop
# (BM_GradeClassInProcess), on the same generated class of 200 examinees with two property and
# three effect blocks over 800 x 600 documents. Prints both rates (the best of three runs each,
# as other work on the machine only ever slows a run down), the CPU time per examinee, the
# ratio and the batch's peak memory.  Usage: bash bench/batch_throughput.sh [BUILD_DIR] [EXAMINEES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${2:-200}
ninja -C "$build" -j2 vantrel_cli make_class_exam vantrel_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/make_class_exam" "$work/class" "$count" 800 600 >/dev/null

# The loop runs with the allocator settings the command gives itself (cli/commands/AllocatorSettings.cpp),
# so that the ratio measures the batch's parallelism, not how glibc hands memory back.
VANTREL_CLASS_ROOT="$work/class" GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=67108864 \
    "$build/bench/vantrel_bench" --benchmark_filter=BM_GradeClassInProcess \
    --benchmark_repetitions=3 --benchmark_format=json >"$work/baseline.json" 2>/dev/null
python3 - "$work" "$build/vantrel" <<'PY'
import json, resource, subprocess, sys, time
work, vantrel = sys.argv[1], sys.argv[2]
runs = [b for b in json.load(open(f"{work}/baseline.json"))["benchmarks"] if b.get("run_type") == "iteration"]
base = max(runs, key=lambda b: b["items_per_second"])
count = base["examinees"]
base_rate, base_cpu = base["items_per_second"], base["cpu_time"] / count  # cpu_time is in seconds here


def batch_run(attempt):
    out = f"{work}/results-{attempt}.csv"
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    summary = subprocess.run([vantrel, "batch", f"{work}/class/exam.key", "--keys", f"{work}/class/keys",
                              "--answers-root", f"{work}/class/answers", "--jobs", "2", "--out", out],
                             check=True, capture_output=True, text=True).stdout
    elapsed = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    graded = sum(1 for _ in open(out + ".jsonl")) - 1
    cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) / graded
    return graded / elapsed, cpu, graded, elapsed, summary


rate, cpu, graded, elapsed, summary = max((batch_run(attempt) for attempt in range(3)), key=lambda run: run[0])
print(f"in-process loop (1 thread): {base_rate:7.2f} examinees/s, {base_cpu * 1000:6.2f} ms CPU each")
print(f"vantrel batch --jobs 2:     {rate:7.2f} examinees/s, {cpu * 1000:6.2f} ms CPU each (batch and workers;"
      f" {graded} in {elapsed:.2f} s)")
print(f"ratio:                      {rate / base_rate:7.2f}x")
print(next(line for line in summary.splitlines() if line.startswith("peak memory")))
with open("/proc/loadavg") as load:
    print("load average while measured:", load.read().split()[0], "on", __import__("os").cpu_count(), "cores")
PY
