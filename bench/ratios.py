#!/usr/bin/env python3
"""Runs quarbel_bench and prints each converter's time per run against the floor of the same
picture, using the fastest of the repetitions (the least disturbed by other work on the machine).

    bench/ratios.py build/bench/quarbel_bench [--benchmark_repetitions=N] [other benchmark flags]

Times are wall times. The reveal benchmarks also run on several threads; their "/ conversion"
column is wall time against the mono conversion's, and "CPU / conv." is the CPU time of all their
threads against it.
"""
import json
import re
import subprocess
import sys
from collections import defaultdict


def picture_of(name):
    """The picture part of a run name, without the thread count and the timing suffixes."""
    _, _, rest = name.partition("/")
    return re.sub(r"/(threads:\d+|process_time|real_time)", "", rest)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    command = [sys.argv[1], "--benchmark_format=json"] + sys.argv[2:]
    if not any(a.startswith("--benchmark_repetitions") for a in command):
        command.append("--benchmark_repetitions=10")
    # Interleaved repetitions spread bursts of other work over all the benchmarks alike.
    command.append("--benchmark_enable_random_interleaving=true")
    report = json.loads(subprocess.run(command, check=True, capture_output=True, text=True).stdout)
    best = defaultdict(lambda: float("inf"))
    cpu = {}
    rate = {}
    units = {}
    for run in report["benchmarks"]:
        if run.get("run_type") != "iteration":
            continue
        name = run["run_name"]
        if run["real_time"] < best[name]:
            best[name] = run["real_time"]
            cpu[name] = run["cpu_time"]
            rate[name] = run.get("items_per_second", 0.0)
            units[name] = run.get("time_unit", "")
    by_picture = {(name.partition("/")[0], picture_of(name)): time for name, time in best.items()}
    # Reading a stereogram back is compared with making it (mono random dots of the same picture).
    print(f"{'benchmark':66} {'best time':>12} {'Mpixel/s':>10} {'/ floor':>8} {'/ conversion':>12} "
          f"{'CPU / conv.':>11}")
    for name, time in sorted(best.items()):
        kind = name.partition("/")[0]
        picture = picture_of(name)
        floor = by_picture.get(("BM_Floor", picture))
        conversion = by_picture.get(("BM_RandomDotMono", picture))
        ratio = f"{time / floor:8.2f}" if floor and kind != "BM_Floor" else f"{'':8}"
        reveal = conversion and kind.startswith("BM_Reveal")
        against = f"{time / conversion:12.2f} {cpu[name] / conversion:11.2f}" if reveal else ""
        unit = units[name]
        print(f"{name:66} {time:10.0f}{unit:>2} {rate[name] / 1e6:10.1f} {ratio} {against}")


if __name__ == "__main__":
    main()
