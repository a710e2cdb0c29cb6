#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""Accuracy of `skeldra-cli guess` on the real-content benchmark that
real_make.py writes.

Runs `SKELDRA_CLI guess FILE --top 5 --json` on each file of the chosen half
and counts, per half, how often the first candidate reads every sample
exactly as the true layout does (the window's decoding, value by value, so
that a line prefix read as a longer header and a line pad counts as exact),
and how often one of the first five does. A first candidate that misses but
reads every value in the truth's order (an exact tie: signed against
unsigned where no value crosses the top bit) is counted apart. Each miss is
listed with its file, its truth and the first candidate. The slowest search
and the largest peak memory come from /usr/bin/time; the wall time means
something only with --jobs 1 on a quiet machine (the load average is
printed); the processor time (user and system) depends less on the load.

usage: real_check.py SKELDRA_CLI WORK_FOLDER [--half tune|measure|both] [--jobs 1|2] [--only SOURCE ...]
"""
import argparse
import json
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

from layouts import describe, options_to_layout, orders_alike, reads_alike

TIES_UP_TO = 32 << 20  # the tie test holds every value in memory: larger files are not tested


def guess(cli, path):
    """The candidates, the search's wall and processor time (s) and peak
    resident memory (MiB)."""
    result = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M", cli, "guess", path, "--json", "--top", "5"],
                            capture_output=True, text=True)
    seconds, user, system, kib = result.stderr.strip().splitlines()[-1].split()
    candidates = json.loads(result.stdout) if result.stdout.strip() else []
    return candidates, float(seconds), float(user) + float(system), int(kib) / 1024.0


def judge(cli, folder, entry):
    path = os.path.join(folder, entry["file"])
    candidates, seconds, cpu, mib = guess(cli, path)
    data = np.fromfile(path, dtype=np.uint8)
    truth = entry["truth"]
    layouts = [options_to_layout(c["options"]) for c in candidates]
    ranks = [k + 1 for k, c in enumerate(layouts) if reads_alike(data, truth, c)]
    rank = ranks[0] if ranks else None
    tie = False
    if rank != 1 and layouts and len(data) <= TIES_UP_TO:
        tie = orders_alike(data, truth, layouts[0])
    first = " ".join(candidates[0]["options"]) if candidates else "no candidate"
    return {"entry": entry, "rank": rank, "tie": tie, "first": first, "seconds": seconds, "cpu": cpu,
            "mib": mib}


def report(half, results):
    n = len(results)
    if n == 0:
        return
    first = sum(r["rank"] == 1 for r in results)
    five = sum(r["rank"] is not None for r in results)
    ties = sum(r["tie"] for r in results)
    slowest = max(results, key=lambda r: r["seconds"])
    busiest = max(results, key=lambda r: r["cpu"])
    biggest = max(results, key=lambda r: r["mib"])
    sources = sorted({r["entry"]["source"] for r in results})
    print(f"\n== {half} half: {n} files from {len(sources)} source pictures ({', '.join(sources)})")
    print(f"first candidate exact: {first}/{n} = {100.0 * first / n:.1f} %")
    print(f"truth in first five:   {five}/{n} = {100.0 * five / n:.1f} %")
    print(f"first reads the truth's values in their order (exact or a tie): {first + ties}/{n}")
    print(f"slowest search: {slowest['seconds']:.2f} s ({slowest['entry']['file']}, "
          f"{slowest['entry']['size'] / 1e6:.1f} MB); most processor time {busiest['cpu']:.2f} s "
          f"({busiest['entry']['file']}); largest peak memory {biggest['mib']:.1f} MiB ({biggest['entry']['file']})")
    print("misses:")
    for r in sorted(results, key=lambda r: r["entry"]["file"]):
        if r["rank"] == 1:
            continue
        e = r["entry"]
        print(f"  {e['file']}: {e['description']} [{', '.join(e['tags'])}]; truth: {describe(e['truth'])}; "
              f"rank {r['rank'] or '>5'}; first: {r['first']}" + ("; an exact tie" if r["tie"] else ""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("folder")
    parser.add_argument("--half", choices=["tune", "measure", "both"], default="both")
    parser.add_argument("--jobs", type=int, choices=[1, 2], default=1)
    parser.add_argument("--only", nargs="*", help="only the files of these source pictures")
    args = parser.parse_args()
    with open(os.path.join(args.folder, "manifest.json")) as f:
        entries = json.load(f)["files"]
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "real_split.json")) as f:
        split = json.load(f)
    half_of = {n: h for h in ("tune", "measure") for n in split[h]}
    stale = [e["file"] for e in entries if half_of.get(e["source"]) != e["half"]]
    if stale:
        sys.exit(f"the work folder was made with another split (remake it): {', '.join(stale[:5])}")
    entries = [e for e in entries if (args.half == "both" or e["half"] == args.half)
               and (not args.only or e["source"] in args.only)]
    print("load average at the start: " + " ".join(open("/proc/loadavg").read().split()[:3]))
    with ThreadPoolExecutor(args.jobs) as pool:
        results = []
        for r in pool.map(lambda e: judge(args.cli, args.folder, e), entries):
            e = r["entry"]
            print(f"{e['file']:36s} {e['half']:7s} rank {r['rank'] or '>5'} {r['seconds']:5.2f} s "
                  f"({r['cpu']:5.2f} s CPU) {r['mib']:6.1f} MiB  {e['description']}", flush=True)
            results.append(r)
    print("load average at the end: " + " ".join(open("/proc/loadavg").read().split()[:3]))
    for half in ("tune", "measure"):
        report(half, [r for r in results if r["entry"]["half"] == half])


if __name__ == "__main__":
    main()
