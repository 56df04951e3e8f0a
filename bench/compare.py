#!/usr/bin/env python3
"""Prints the benchmarks of the x87 build and the software-arithmetic build side by side.

Usage: compare.py HARDWARE.json SOFTWARE.json

Each file is Google Benchmark's JSON output; the mean of the repetitions is
compared. For the searches the figure is the time per secant pass.
"""
import json
import sys


def means(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    result = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "mean":
            continue
        name = b.get("run_name", b["name"])
        if "items_per_second" in b:
            result[name] = ("ns/pass", 1e9 / b["items_per_second"])
        else:
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            result[name] = ("ns", b["real_time"] * scale)
    return result


def main():
    hardware = means(sys.argv[1])
    software = means(sys.argv[2])
    print(f"{'benchmark':32} {'unit':>8} {'x87':>10} {'software':>10} {'ratio':>6}")
    for name, (unit, hw) in hardware.items():
        if name not in software:
            continue
        sw = software[name][1]
        print(f"{name:32} {unit:>8} {hw:10.1f} {sw:10.1f} {sw / hw:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
