#!/usr/bin/env python3
"""Checks the inclusion disks of --report against roots computed independently.

For each equation of the table, the listing and the --report lines of the
program are read, and the true roots of the equation as the program reads it
(each coefficient rounded to binary32) are computed with mpmath's polyroots at
60 digits and checked by their residual. Then:
- every true root lies in the union of the printed disks (all roots listed);
- a disk that its line shows apart from the others holds exactly one true root,
  and a group of overlapping disks exactly as many as its lines claim; the
  groups are what the printed centres and radii say, and the number words agree;
- a single-point disk (a search failed, or two printed roots are equal) holds
  at least one true root.

With --ratios it measures instead: over the recorded sessions that solve an
equation, the ratio of each printed radius to the distance from the printed
root to the nearest true root.

Usage: check_disks.py [--ratios] PROGRAM [launcher...]
"""
import os
import pathlib
import re
import statistics
import subprocess
import sys
from fractions import Fraction

try:
    import mpmath
except ImportError:
    # The python3 on PATH may not be Debian's, which has python3-mpmath.
    DEBIAN_PYTHON = "/usr/bin/python3"
    if os.path.exists(DEBIAN_PYTHON) and not os.environ.get("CHECK_DISKS_REEXEC"):
        os.environ["CHECK_DISKS_REEXEC"] = "1"
        os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON] + sys.argv)
    sys.exit("check_disks: the Python module mpmath is missing (Debian: apt-get install "
             "python3-mpmath); the disks cannot be checked without it")

# name, standard input, the kind of disk every listed root must get
EQUATIONS = [
    ("well-separated roots", "3\n1 -6 11 -6\n", "simultaneous"),
    ("cube roots of 1", "3\n1 0 0 -1\n", "simultaneous"),
    ("double root", "2\n1 -2 1\n", "simultaneous"),
    ("cluster: 1, 1.01, 1.02", "3\n1 -3.03 3.0602 -1.0302\n", "simultaneous"),
    ("triple root", "3\n1 -3 3 -1\n", "simultaneous"),
    ("(x - 2)^4", "4\n1 -8 24 -32 16\n", "simultaneous"),
    ("(x - 2)^5", "5\n1 -10 40 -80 80 -32\n", "simultaneous"),
    ("(x - 1)^6", "6\n1 -6 15 -20 15 -6 1\n", "simultaneous"),
    ("(x - 1)^7", "7\n1 -7 21 -35 35 -21 7 -1\n", "simultaneous"),
    ("(x - 0.5)^8", "8\n1 -4 7 -7 4.375 -1.75 0.4375 -0.0625 0.00390625\n", "simultaneous"),
    ("after a pass-limit search", "3\n1000 0 0 -1\n", "simultaneous"),
    ("order nine", "9\n0.001 0.01 0.1 1 2 3 4 5 6 7\n", "simultaneous"),
    ("order nine, a search at the pass limit", "9\n1 1 1 1 1 1 1 1 1 1\n", "simultaneous"),
    ("complex coefficients", "4\n(1,2) (0,-1) 3 (0.5,0.25) (-7,1)\n", "simultaneous"),
    ("small coefficients: stopped far from the roots", "2\n1e-3 (0,2e-3) -5e-4\n",
     "simultaneous"),
    ("a search fails: two of four roots", "4\n3 1 5 0.5 1000\n", "single point"),
    ("two printed roots equal", "2\n1 0 0\n", "single point"),
]
DIGITS = 60
# The reference roots are good to far better than this (relative); a true
# root this close to a disk's edge counts as inside.
TOLERANCE = mpmath.mpf(10) ** -40
CIRCLES = {2: "двух", 3: "трёх", 4: "четырёх", 5: "пяти", 6: "шести", 7: "семи", 8: "восьми",
           9: "девяти"}
LISTING = re.compile(r"^x(\d+)=(\S+) (\S+)i$")
REPORT = re.compile(r"^x(\d+): .*\|P\(x\d+\)\|=[^,]+, (.*)$")
DISK = re.compile(r"^корень уравнения в круге радиуса ([0-9.e+-]+)( \(оценка по одной точке\))?"
                  r"(?:; круг пересекается с (кругом|кругами) (x\d+(?:, x\d+)*): "
                  r"в этих (\S+) кругах (\d+) (корня|корней))?$")
NO_DISK = re.compile(r"^круг с корнем уравнения найти не удалось: .+$")
COEFFICIENT = re.compile(r"\(\s*([^\s,()]+)\s*(?:,\s*([^\s,()]+)\s*)?\)|([^\s()]+)")


def run(command, stdin):
    result = subprocess.run(command, input=stdin.encode(), capture_output=True, timeout=120,
                            start_new_session=True)
    try:
        text = result.stdout.decode("utf-8")
    except UnicodeDecodeError:
        text = result.stdout.decode("cp866")  # the Windows program under Wine
    return text.replace("\r\n", "\n")


def binary32(text):
    """The decimal text rounded to the nearest binary32 value, ties to even."""
    q = Fraction(text)
    if q == 0:
        return q
    sign, q = (-1 if q < 0 else 1), abs(q)
    e = q.numerator.bit_length() - q.denominator.bit_length()
    if q < Fraction(2) ** e:
        e -= 1
    e = max(e, -126)  # subnormals share the smallest normal exponent
    scaled = q / Fraction(2) ** (e - 23)
    n, rest = divmod(scaled.numerator, scaled.denominator)
    if 2 * rest > scaled.denominator or (2 * rest == scaled.denominator and n % 2 == 1):
        n += 1
    return sign * n * Fraction(2) ** (e - 23)


def equation(stdin):
    """The coefficients as the program reads them, highest power first, as exact (re, im)."""
    order_text, rest = (stdin.split(None, 1) + [""])[:2]
    order = int(order_text)
    coefficients = []
    for match in COEFFICIENT.finditer(rest):
        re_text, im_text, bare = match.groups()
        coefficients.append((binary32(bare or re_text), binary32(im_text or "0")))
        if len(coefficients) == order + 1:
            break
    return coefficients


# Polynomials over the Gaussian rationals, highest power first, for Yun's
# square-free factorisation: a multiple root becomes a simple root of a factor.
def multiply(a, b):
    return (a[0] * b[0] - a[1] * b[1], a[0] * b[1] + a[1] * b[0])


def divide(a, b):
    n = b[0] ** 2 + b[1] ** 2
    return ((a[0] * b[0] + a[1] * b[1]) / n, (a[1] * b[0] - a[0] * b[1]) / n)


def trim(p):
    while len(p) > 1 and p[0] == (0, 0):
        p = p[1:]
    return p


def subtract(p, q):
    width = max(len(p), len(q))
    p, q = [(0, 0)] * (width - len(p)) + p, [(0, 0)] * (width - len(q)) + q
    return trim([(a[0] - b[0], a[1] - b[1]) for a, b in zip(p, q)])


def derivative(p):
    n = len(p) - 1
    return trim([((n - i) * a[0], (n - i) * a[1]) for i, a in enumerate(p[:-1])] or [(0, 0)])


def quotient_remainder(p, q):
    p, result = list(p), []
    while len(p) >= len(q):
        factor = divide(p[0], q[0])
        result.append(factor)
        p = [(a[0] - b[0], a[1] - b[1])
             for a, b in zip(p, [multiply(factor, c) for c in q] + [(0, 0)] * (len(p) - len(q)))][1:]
    return result or [(0, 0)], trim(p or [(0, 0)])


def gcd(p, q):
    while q != [(0, 0)]:
        p, q = q, quotient_remainder(p, q)[1]
    return [divide(a, p[0]) for a in p]


def square_free_factors(f):
    """[(factor, multiplicity)] with f = constant * product of factor ** multiplicity."""
    df = derivative(f)
    a = gcd(f, df)
    b, c = quotient_remainder(f, a)[0], quotient_remainder(df, a)[0]
    d, multiplicity, factors = subtract(c, derivative(b)), 1, []
    while len(b) > 1:
        a = gcd(b, d)
        b, c = quotient_remainder(b, a)[0], quotient_remainder(d, a)[0]
        if len(a) > 1:
            factors.append((a, multiplicity))
        d, multiplicity = subtract(c, derivative(b)), multiplicity + 1
    return factors


def to_mpc(z):
    return mpmath.mpc(mpmath.mpf(z[0].numerator) / z[0].denominator,
                      mpmath.mpf(z[1].numerator) / z[1].denominator)


def true_roots(coefficients):
    """All roots, with multiplicity, at DIGITS digits; simple roots of the square-free
    factors by polyroots, checked by their residual, and linear factors exactly."""
    roots = []
    for factor, multiplicity in square_free_factors(trim(coefficients)):
        if len(factor) == 2:
            found = [to_mpc(divide((-factor[1][0], -factor[1][1]), factor[0]))]
        else:
            values = [to_mpc(a) for a in factor]
            found, error = mpmath.polyroots(values, maxsteps=4000, extraprec=500, error=True)
            assert len(found) == len(factor) - 1 and error < mpmath.mpf(10) ** -30, error
            for root in found:
                scale = sum(abs(a) * abs(root) ** k for k, a in enumerate(reversed(values)))
                assert abs(mpmath.polyval(values, root)) <= scale * mpmath.mpf(10) ** -45, root
        roots += found * multiplicity
    assert len(roots) == len(coefficients) - 1, "roots missing"
    return roots


def read_report(output):
    """The printed roots and, for each, its disk: (radius, single point, others, word, count) or None."""
    roots, disks = {}, {}
    for line in output.splitlines():
        listed = LISTING.match(line)
        if listed:
            roots[int(listed.group(1))] = mpmath.mpc(mpmath.mpf(listed.group(2)),
                                                     mpmath.mpf(listed.group(3)))
        reported = REPORT.match(line)
        if reported:
            k, tail = int(reported.group(1)), reported.group(2)
            disk = DISK.match(tail)
            if disk:
                radius, single, form, others, word, count, noun = disk.groups()
                members = [int(x) for x in re.findall(r"\d+", others)] if others else []
                disks[k] = (mpmath.mpf(radius), bool(single), form, members, word,
                            int(count) if count else 1, noun)
            else:
                disks[k] = "none" if NO_DISK.match(tail) else "unreadable: " + tail
    return roots, disks


def inside(point, centre, radius):
    return abs(point - centre) <= radius + TOLERANCE * max(1, abs(centre))


def check_groups(roots, disks, truth, failures):
    groups = {k: frozenset([k] + disk[3]) for k, disk in disks.items()}
    for k, disk in disks.items():
        radius, _, form, members, word, count, noun = disk
        group = groups[k]
        if any(groups[j] != group for j in group):
            failures.append(f"x{k}: its group {sorted(group)} is not the same on every line")
        if count != len(group):
            failures.append(f"x{k}: {count} roots claimed for {len(group)} disks")
        words = (form, word, noun)
        expected = ("кругом" if len(group) == 2 else "кругами", CIRCLES.get(len(group)),
                    "корня" if len(group) < 5 else "корней")
        if members and words != expected:
            failures.append(f"x{k}: {' '.join(words)} for a group of {len(group)}")
        for j in disks:
            overlap = abs(roots[k] - roots[j]) <= radius + disks[j][0]
            if j not in group and overlap:
                failures.append(f"x{k} and x{j} overlap but are not in one group")
        held = sum(1 for z in truth if any(inside(z, roots[j], disks[j][0]) for j in group))
        if held != len(group):
            failures.append(f"x{k}: {held} true roots in the disks of {sorted(group)}")


def check(base, stdin, kind):
    failures = []
    roots, disks = read_report(run(base + ["--report"], stdin))
    truth = true_roots(equation(stdin))
    if not roots or sorted(disks) != sorted(roots):
        return [f"{len(roots)} roots listed, {len(disks)} disks reported"]
    for k, disk in disks.items():
        if isinstance(disk, str):
            failures.append(f"x{k}: no disk ({disk})")
        elif ("single point" if disk[1] else "simultaneous") != kind:
            failures.append(f"x{k}: not a {kind} disk")
    if failures:
        return failures
    if kind == "single point":
        for k, disk in disks.items():
            if not any(inside(z, roots[k], disk[0]) for z in truth):
                failures.append(f"x{k}: no true root in its disk of radius {disk[0]}")
        return failures
    for z in truth:
        if not any(inside(z, roots[k], disk[0]) for k, disk in disks.items()):
            failures.append(f"true root {mpmath.nstr(z, 12)} lies in no disk")
    check_groups(roots, disks, truth, failures)
    return failures


def ratios(base, cases):
    values, exact, per_case = [], 0, []
    for case in sorted(cases.glob("*.in")):
        stdin = case.read_text(encoding="utf-8")
        roots, disks = read_report(run(base + ["--report"], stdin))
        if not roots:
            continue
        truth = true_roots(equation(stdin))
        mine = []
        for k, disk in disks.items():
            if isinstance(disk, str):
                continue
            distance = min(abs(roots[k] - z) for z in truth)
            if distance == 0:
                exact += 1
            else:
                mine.append(float(disk[0] / distance))
        values += mine
        if mine:
            per_case.append((case.stem, statistics.median(mine)))
    for name, median in per_case:
        print(f"{name:32} median ratio {median:.7g}")
    quartiles = statistics.quantiles(values, n=4)
    print(f"{len(values)} roots in {len(per_case)} sessions ({exact} printed exactly on a root): "
          f"median ratio {statistics.median(values):.7g}, quartiles {quartiles[0]:.7g} and "
          f"{quartiles[2]:.5g}, least {min(values):.7g}, largest {max(values):.3g}")
    return 0 if min(values) >= 1 else 1


def main():
    arguments = sys.argv[1:]
    measure = arguments[:1] == ["--ratios"]
    arguments = arguments[1:] if measure else arguments
    base = arguments[1:] + [arguments[0]]
    mpmath.mp.dps = DIGITS
    if measure:
        return ratios(base, pathlib.Path(__file__).parent / "cases")
    failed = 0
    for name, stdin, kind in EQUATIONS:
        failures = check(base, stdin, kind)
        print(("FAIL " if failures else "ok   ") + name + "".join("\n  " + f for f in failures))
        failed += bool(failures)
    print(f"{len(EQUATIONS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
