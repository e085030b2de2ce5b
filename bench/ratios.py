#!/usr/bin/env python3
"""Runs quarbel_bench and prints each converter's CPU time per run against the floor of the same
picture, using the fastest of the repetitions (the least disturbed by other work on the machine).

    bench/ratios.py build/bench/quarbel_bench [--benchmark_repetitions=N] [other benchmark flags]
"""
import json
import subprocess
import sys
from collections import defaultdict


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
    rate = {}
    units = {}
    for run in report["benchmarks"]:
        if run.get("run_type") != "iteration":
            continue
        name = run["run_name"]
        if run["cpu_time"] < best[name]:
            best[name] = run["cpu_time"]
            rate[name] = run.get("items_per_second", 0.0)
            units[name] = run.get("time_unit", "")
    # Reading a stereogram back is compared with making it (mono random dots of the same picture).
    print(f"{'benchmark':52} {'best time':>12} {'Mpixel/s':>10} {'/ floor':>8} {'/ conversion':>12}")
    for name, time in sorted(best.items()):
        kind, _, picture = name.partition("/")
        floor = best.get("BM_Floor/" + picture)
        conversion = best.get("BM_RandomDotMono/" + picture)
        ratio = f"{time / floor:8.2f}" if floor and kind != "BM_Floor" else f"{'':8}"
        against = f"{time / conversion:12.2f}" if conversion and kind.startswith("BM_Reveal") else ""
        unit = units[name]
        print(f"{name:52} {time:10.0f}{unit:>2} {rate[name] / 1e6:10.1f} {ratio} {against}")


if __name__ == "__main__":
    main()
