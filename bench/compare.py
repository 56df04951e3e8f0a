#!/usr/bin/env python3
"""Prints the benchmarks of the x87 build and the software-arithmetic build side by side,
and the ratios that the arithmetic is held to.

Usage: compare.py --hardware RUN.json [--hardware ...] --software RUN.json [--software ...]
                  [--programs RUN.json ...]

Each --hardware and --software file is Google Benchmark's JSON output; each
--programs file is hyperfine's JSON output for the whole program and then the
minimal loop on the same input. Of all repetitions in all files of one side
the fastest counts: on a shared machine the slower runs measure the
neighbours (for the programs, the fastest file's median run). For the searches the figure is the time per secant pass. The
ratios are figures only: a slow or busy machine fails nothing.
"""
import argparse
import json
import os
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


def fastest_programs(paths):
    """Of each command (the program, the minimal loop) the median run of a file, the fastest file
    counting: single runs of a whole process vary too much for the fastest one to mean much."""
    result = []
    for path in paths:
        if not os.path.exists(path):
            continue  # hyperfine did not finish: no figure
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for i, command in enumerate(data["results"]):
            if i == len(result):
                result.append(command["median"])
            result[i] = min(result[i], command["median"])
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hardware", action="append", required=True)
    parser.add_argument("--software", action="append", required=True)
    parser.add_argument("--programs", action="append", default=[])
    args = parser.parse_args()
    hardware = fastest(args.hardware)
    software = fastest(args.software)
    print(f"{'benchmark':28} {'unit':>8} {'x87':>9} {'software':>9} {'ratio':>6}")
    for name, (unit, hw) in hardware.items():
        if name in software:
            sw = software[name][1]
            print(f"{name:28} {unit:>8} {hw:9.1f} {sw:9.1f} {sw / hw:6.2f}")

    def figure(name, side=None):
        return (side or hardware).get(name, (None, None))[1]

    ratios = [
        ("secant pass of the program against the bare loop (x87)",
         figure("BM_SearchIterationLimitChecked"), figure("BM_SearchIterationLimitBare"), 1.05),
        ("software against x87, a pass of the order-9 search",
         figure("BM_SearchNinthOrder", software), figure("BM_SearchNinthOrder"), 3),
        ("software against x87, a pass of the pass-limit search",
         figure("BM_SearchIterationLimitChecked", software), figure("BM_SearchIterationLimitChecked"), 3),
    ]
    programs = fastest_programs(args.programs)
    if len(programs) >= 2:
        program, minimal = programs[:2]
        ratios.insert(1, ("whole program against the minimal loop, heavy input (x87)",
                          program, minimal, 1.05))
    print()
    for text, measured, against, target in ratios:
        if measured and against:
            print(f"{text:58} {measured / against:5.2f} (target: at most {target})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
