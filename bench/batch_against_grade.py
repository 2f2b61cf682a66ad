#!/usr/bin/python3
"""`vantrel batch --jobs 2` side by side with one `vantrel grade` process per examinee in turn,
on one generated class: 200 examinees, two property and two effect blocks over 800 x 600
documents. The machine is shared and noisy, so each round runs the three side by side (the
grade loop, the batch without a report, the batch with one) and the verdict is on the ratios of
each round; their spread is shown.

    /usr/bin/python3 bench/batch_against_grade.py [--build build] [--examinees 200] [--rounds 3]

Prints per round and in sum: wall time, examinees per second and peak resident memory (the
largest process of each side: a grade process, or the batch and its workers). Exits 1 unless
the median ratio is at least 3 without a report and at least 2 with one.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

WITHOUT_REPORT_GOAL = 3.0
WITH_REPORT_GOAL = 2.0


def run(command):
    """Wall seconds, peak resident bytes of the process and whatever it waited for, and stdout.
    /usr/bin/time starts the command: a child of this interpreter would count its resident size
    from before exec."""
    with tempfile.NamedTemporaryFile("r") as peak:
        start = time.monotonic()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak.name] + command, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
        elapsed = time.monotonic() - start
        if done.returncode != 0:
            sys.exit(f"{' '.join(command)} exited {done.returncode}")
        return elapsed, int(peak.read().split()[-1]) * 1024, done.stdout


def grade_loop(vantrel, cls, examinees):
    seconds, peak, marks = 0.0, 0, []
    for name in examinees:
        elapsed, rss, out = run([vantrel, "grade", f"{cls}/exam.key", "--answers", f"{cls}/answers/{name}",
                                 "--keys", f"{cls}/keys"])
        seconds += elapsed
        peak = max(peak, rss)
        marks.append(out.strip())
    return seconds, peak, marks


def batch(vantrel, cls, out_dir, report):
    os.makedirs(out_dir)
    out = f"{out_dir}/results.csv"
    command = [vantrel, "batch", f"{cls}/exam.key", "--keys", f"{cls}/keys", "--answers-root", f"{cls}/answers",
               "--jobs", "2", "--out", out]
    if report:
        command += ["--report", f"{out_dir}/report"]
    seconds, peak, _ = run(command)
    return seconds, peak, out


def batch_marks(results_csv):
    """Examinee name to mark, from the full-precision record the batch keeps beside its CSV."""
    marks = {}
    with open(results_csv + ".jsonl", encoding="utf-8") as rows:
        for row in map(json.loads, list(rows)[1:]):
            if row["mark"] is not None:
                marks[row["examinee"]] = repr(row["mark"]).removesuffix(".0")
    return marks


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--examinees", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    vantrel = os.path.abspath(f"{args.build}/vantrel")
    subprocess.run(["ninja", "-C", args.build, "-j2", "vantrel_cli", "make_class_exam"], check=True,
                   stdout=subprocess.DEVNULL)

    with tempfile.TemporaryDirectory() as work:
        cls = f"{work}/class"
        subprocess.run([f"{args.build}/make_class_exam", cls, str(args.examinees), "800", "600", "2"], check=True,
                       stdout=subprocess.DEVNULL)
        examinees = sorted(os.listdir(f"{cls}/answers"))
        count = len(examinees)
        plain_ratios, report_ratios = [], []
        print(f"{count} examinees, 800 x 600, two property and two effect blocks; "
              f"{os.cpu_count()} cores, load {open('/proc/loadavg').read().split()[0]}")
        for round_number in range(1, args.rounds + 1):
            loop_s, loop_peak, loop_marks = grade_loop(vantrel, cls, examinees)
            plain_s, plain_peak, plain_out = batch(vantrel, cls, f"{work}/plain{round_number}", False)
            report_s, report_peak, _ = batch(vantrel, cls, f"{work}/report{round_number}", True)
            # Both sides must have given the same marks, or the speed means nothing.
            by_name = batch_marks(plain_out)
            differing = [n for n, m in zip(examinees, loop_marks) if float(by_name.get(n, "nan")) != float(m)]
            if differing:
                sys.exit(f"batch and grade disagree on {len(differing)} examinees, first {differing[0]}")
            plain_ratios.append(loop_s / plain_s)
            report_ratios.append(loop_s / report_s)
            print(f"round {round_number}:")
            print(f"  grade, one process each: {loop_s:7.2f} s  {count / loop_s:6.1f} examinees/s  "
                  f"peak {loop_peak >> 20} MB")
            print(f"  batch --jobs 2:          {plain_s:7.2f} s  {count / plain_s:6.1f} examinees/s  "
                  f"peak {plain_peak >> 20} MB  ratio {plain_ratios[-1]:.2f}x")
            print(f"  batch --jobs 2 --report: {report_s:7.2f} s  {count / report_s:6.1f} examinees/s  "
                  f"peak {report_peak >> 20} MB  ratio {report_ratios[-1]:.2f}x")
        plain, report = statistics.median(plain_ratios), statistics.median(report_ratios)
        print(f"without --report: median {plain:.2f}x (spread {min(plain_ratios):.2f}-{max(plain_ratios):.2f}), "
              f"goal {WITHOUT_REPORT_GOAL}x")
        print(f"with --report:    median {report:.2f}x (spread {min(report_ratios):.2f}-{max(report_ratios):.2f}), "
              f"goal {WITH_REPORT_GOAL}x")
        print(f"load average after: {open('/proc/loadavg').read().split()[0]}")
        return 0 if plain >= WITHOUT_REPORT_GOAL and report >= WITH_REPORT_GOAL else 1


if __name__ == "__main__":
    sys.exit(main())
