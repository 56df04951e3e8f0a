#!/usr/bin/env python3
"""Prints the benchmarks of the x87 build and the software-arithmetic build side by side.

Usage: compare.py --hardware RUN.json [--hardware ...] --software RUN.json [--software ...]

Each file is Google Benchmark's JSON output. Of all repetitions in all files
of one side the fastest counts: on a shared machine the slower runs measure
the neighbours. For the searches the figure is the time per secant pass.
"""
import argparse
import json
import sys


def fastest(paths):
    result = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for b in data["benchmarks"]:
            if b.get("run_type") == "aggregate":
                continue
            name = b.get("run_name", b["name"])
            if "items_per_second" in b:
                figure = ("ns/pass", 1e9 / b["items_per_second"])
            else:
                scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
                figure = ("ns", b["real_time"] * scale)
            if name not in result or figure[1] < result[name][1]:
                result[name] = figure
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hardware", action="append", required=True)
    parser.add_argument("--software", action="append", required=True)
    args = parser.parse_args()
    hardware = fastest(args.hardware)
    software = fastest(args.software)
    print(f"{'benchmark':28} {'unit':>8} {'x87':>9} {'software':>9} {'ratio':>6}")
    for name, (unit, hw) in hardware.items():
        if name in software:
            sw = software[name][1]
            print(f"{name:28} {unit:>8} {hw:9.1f} {sw:9.1f} {sw / hw:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
