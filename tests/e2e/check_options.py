#!/usr/bin/env python3
"""Checks what the options add against what they must leave alone.

For several equations: the listing printed with --report, --trace, --svg and
all of them together equals, line for line, the listing printed without
options; the SVG parses as XML and holds one path of iterates per search
that found a root, with the start points and every pass's point (the pass
counts taken from --report), one abandoned path per search that --trace
shows given up for that root, one marked root per root and one circle per
inclusion disk that --report gives, and one cross per refined root; --refine
leaves the listing alone too. A root found by the search from (0, 0)
and (1, 1) has as many trace lines as passes; one found in the k-th search
from other start points has k headings of such searches, and as many lines
after the last as passes; one taken at the rounding floor has more lines than
passes (the search went on to the condition). A root that no search found
has a path but no marked root.

Usage: check_options.py PROGRAM [launcher...]
"""
import pathlib
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

EQUATIONS = ["2\n1 -3 2\n", "3\n1 0 0 -1\n", "2\n1 0 1\n", "3\n1000 0 0 -1\n",
             "4\n(1,2) (0,-1) 3 (0.5,0.25) (-7,1)\n", "4\n3 1 5 0.5 1000\n",
             "2\n1 (-1,-1) 0\n", "9\n0.001 0.01 0.1 1 2 3 4 5 6 7\n",
             "9\n1 0 0 0 0 0 0 0 0 -1\n", "2\n1e-30 -1e20 1e20\n"]
SVG = "{http://www.w3.org/2000/svg}"


def run(command, stdin):
    result = subprocess.run(command, input=stdin.encode(), capture_output=True, timeout=120,
                            start_new_session=True)
    try:
        text = result.stdout.decode("utf-8")
    except UnicodeDecodeError:
        text = result.stdout.decode("cp866")  # the Windows program under Wine
    return result.returncode, text.replace("\r\n", "\n")


def listing(output):
    return [line for line in output.splitlines() if re.match(r"x\d+=", line)]


def run_listing(base, options, equation, expected):
    """A run with the options, once more where its listing differs and the
    program runs under a launcher (Wine, whose own failure to start or finish
    a program is not the program's): the status and output of the last."""
    status, output = run(base + options, equation)
    if listing(output) != expected and len(base) > 1:
        status, output = run(base + options, equation)
    return status, output


def check(base, equation, folder):
    failures = []
    status, plain = run(base, equation)
    expected = listing(plain)
    picture = pathlib.Path(folder) / "picture.svg"
    status, everything = run_listing(base, ["--report", "--trace", "--svg", str(picture)],
                                     equation, expected)
    for options in (["--report"], ["--trace"], ["--refine"], ["--svg", str(picture)]):
        code, output = run_listing(base, options, equation, expected)
        if listing(output) != expected:
            failures.append(f"{options}: listing differs (status {code}): {listing(output)} "
                            f"for {expected}")
    if listing(everything) != expected:
        failures.append("all options: listing differs")
    passes = [int(count) for count in re.findall(r"^x\d+: \S+ (\d+)", everything, re.M)]
    attempts = {int(k): int(n) for k, n in re.findall(r"^x(\d+): \S+ \d+ \S+ \S+ (\d+) ",
                                                       everything, re.M)}
    floor = {int(k) for k in re.findall(r"^x(\d+): .*, взят там", everything, re.M)}
    traced = {}  # root: [trace lines of each search]
    for line in everything.splitlines():
        heading = re.match(r"^\S+ x(\d+), \S+ \d+: \S+ \S+ \(", line)
        pass_line = re.match(r"^\S+ x(\d+), \S+ \d+: x=", line)
        if heading or pass_line:
            searches = traced.setdefault(int((heading or pass_line).group(1)), [0])
            if heading:
                searches.append(0)
            else:
                searches[-1] += 1
    for k, count in enumerate(passes, 1):
        searches = traced.get(k, [0])
        if len(searches) - 1 != attempts.get(k, 0):
            failures.append(f"x{k}: {len(searches) - 1} searches traced, {attempts.get(k, 0)} in the report")
        elif k in floor and k not in attempts and searches[-1] <= count:
            failures.append(f"x{k}: {searches[-1]} trace lines for a root at the floor after {count} passes")
        elif k not in floor and searches[-1] != count:
            failures.append(f"x{k}: {searches[-1]} trace lines for {count} passes")
    # After an exceptional condition the failed search's passes are traced as well.
    if status == 1 and sum(map(sum, traced.values())) <= sum(passes):
        failures.append("no trace lines of the failed search")
    root = ElementTree.parse(picture).getroot()
    paths = [p for p in root.iter(SVG + "path") if p.get("class") == "iterates"]
    abandoned = [p for p in root.iter(SVG + "path") if p.get("class") == "abandoned"]
    markers = [c for c in root.iter(SVG + "circle") if c.get("class") == "root"]
    # A search that met an exceptional condition is drawn too, without a root.
    searches = len(expected) + (1 if status == 1 else 0)
    if len(paths) != searches or len(markers) != len(expected):
        failures.append(f"{len(paths)} paths and {len(markers)} roots for {len(expected)} roots")
    # A cross per refined root, where they are printed: one for the m lines
    # of a root of multiplicity m.
    lines = re.findall(r"^\S+ x\d+=\S+ \S+i(?: кратность (\d+))?$", everything, re.M)
    refined = round(sum(1 / int(m) if m else 1 for m in lines))
    crosses = [p for p in root.iter(SVG + "path") if p.get("class") == "refined"]
    if len(crosses) != refined:
        failures.append(f"{len(crosses)} crosses for {refined} refined roots")
    given_up = {k: len(s) - 1 for k, s in traced.items()}
    if sorted(int(p.get("data-root")) for p in abandoned) != sorted(
            k for k, n in given_up.items() for _ in range(n)):
        failures.append(f"{len(abandoned)} abandoned paths for {sum(given_up.values())} searches")
    # A circle per inclusion disk of --report, with its radius, never too small to see.
    disks = [c for c in root.iter(SVG + "circle") if c.get("class") == "disk"]
    radii = re.findall(r"^x\d+: .*\|=[^,]+, [^0-9\n]*([0-9][0-9.e+-]*)", everything, re.M)
    if [c.get("data-radius") for c in disks] != radii or any(float(c.get("r")) < 8 for c in disks):
        failures.append(f"disks {[c.get('data-radius') for c in disks]} for radii {radii}")
    for path, count in zip(paths, passes):
        points = len(re.findall(r"[ML] ", path.get("d")))
        if points != count + 2 or int(path.get("data-points")) != count + 2:
            failures.append(f"path {path.get('data-root')}: {points} points for {count} passes")
    return failures


def main():
    base = sys.argv[2:] + [sys.argv[1]]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        for equation in EQUATIONS:
            failures = check(base, equation, folder)
            name = equation.replace("\n", " ").strip()
            print(("FAIL " if failures else "ok   ") + name + "".join("\n  " + f for f in failures))
            failed += bool(failures)
    print(f"{len(EQUATIONS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
