#!/usr/bin/env python3
"""Checks that a plain run's answer is right and that the refined digits are true.

For each equation of check_disks.py's families (N seeded random equations of
each random family, and every equation of the others), the program is run
with no option, and the roots of the equation as it reads it (each
coefficient rounded to binary32) are computed with mpmath's polyroots at 60
digits (check_disks.true_roots, which keeps them for the next run). The answer is the refined roots where the
run prints them, else the listing; a refined line that ends in «кратность M»
is one of the M lines printed for a root of multiplicity M, and each printed
line counts once. Then:
- the answer is right: it has a root for each true root r within
  1e-4 max(1, |r|) of it, one to one (multiplicities counted);
- the lines of a root of multiplicity M are M, all with the same centre;
- every part of a refined root (real and imaginary apart) is within one unit
  of its last printed digit of the same part of the true root nearest to it
  (one to one, nearest pairs first): "1.234" within 0.001, "2e+03" within
  1000. A part printed as 0 says only that the true part is within the
  root's inclusion disk, so there the bound is the disk's radius, which a run
  with --report gives.

Per family it prints the share of runs right by default, the number of
refined parts outside one unit and the number of runs whose lines of a
multiple root disagree (or whose refined roots are not the same with
--report); it fails where a family's share is below 99.5%, or any refined
part is outside one unit, or any such lines disagree. With --measure it
prints the same figures and never fails.

Usage: check_right.py [--measure] [--families N] [--few] PROGRAM [launcher...]
(N defaults to 100; --few: of the powers (x - a)^k only those of a = 1)
"""
import multiprocessing
import re
import sys
from fractions import Fraction

import check_disks
from check_disks import mpmath

DIGITS = check_disks.DIGITS  # the same roots as check_disks.py's, kept once for both
TOLERANCE = mpmath.mpf("1e-4")
PASSING_SHARE = 0.995
ANSWER = re.compile(r"^x(\d+)=(\S+) (\S+)i$")
REFINED = re.compile(r"^уточнённый x(\d+)=(\S+) (\S+)i(?: кратность (\d+))?$")
REFINED_RADIUS = re.compile(r"^уточнённый x(\d+): .*в круге радиуса ([0-9.e+-]+)")
DECIMAL = re.compile(r"^[+-]?(\d+)(?:\.(\d*))?(?:[eE]([+-]?\d+))?$")


def unit(text):
    """The unit of the last digit of a printed part: 0.001 for "1.234", 1000 for "2e+03"."""
    digits = DECIMAL.match(text)
    exponent = int(digits.group(3) or 0) - len(digits.group(2) or "")
    return Fraction(10) ** exponent


def read_roots(pattern, output):
    """(label, re text, im text, multiplicity) of the lines of the pattern, in their order."""
    roots = []
    for line in output.splitlines():
        found = pattern.match(line)
        if found:
            groups = found.groups() + (None,)
            roots.append((int(groups[0]), groups[1], groups[2], int(groups[3] or 1)))
    return roots


def matching(allowed, count):
    """Whether each of count true roots gets its own answer, answer j for true root i
    where allowed(i, j) (Kuhn's augmenting paths)."""
    owner = {}

    def augment(i, seen):
        for j in range(count):
            if j not in seen and allowed(i, j):
                seen.add(j)
                if j not in owner or augment(owner[j], seen):
                    owner[j] = i
                    return True
        return False

    return all(augment(i, set()) for i in range(count))


def nearest_pairs(points, truth):
    """(point index, true root index), one to one, the nearest pairs taken first."""
    distances = sorted((check_disks.distance2(p, t), i, j)
                       for i, p in enumerate(points) for j, t in enumerate(truth))
    taken_points, taken_truth, pairs = set(), set(), []
    for _, i, j in distances:
        if i not in taken_points and j not in taken_truth:
            taken_points.add(i)
            taken_truth.add(j)
            pairs.append((i, j))
    return pairs


def stdin_of(coefficients):
    return (f"{len(coefficients) - 1}\n" +
            " ".join(map(check_disks.coefficient_text, coefficients)) + "\n")


def judge(task):
    """(family, name, stdin, right, refined parts outside one unit, whether the lines
    disagree, failures) of one equation."""
    base, name, coefficients = task
    stdin = stdin_of(coefficients)
    failures = []
    try:
        status, output = check_disks.run_once_more_under_launcher(base, [], stdin)
    except Exception as error:  # a run that hangs or cannot start
        return check_disks.family_of(name), name, stdin, False, 0, False, [f"the run: {error!r}"]
    truth = check_disks.true_roots(check_disks.equation(stdin))
    refined = read_roots(REFINED, output)
    answer = refined or read_roots(ANSWER, output)
    try:
        points = [(Fraction(re_text), Fraction(im_text)) for _, re_text, im_text, _ in answer]
    except ValueError:
        points = None
        failures.append("an answer that is not a number: " +
                        ", ".join(f"{a[1]} {a[2]}i" for a in answer))
    right = points is not None and len(points) == len(truth)
    if points is not None and not right:
        failures.append(f"status {status}, {len(points)} roots in the answer for "
                        f"{len(truth)} true roots")
    if right:
        z = [check_disks.to_mpc(p) for p in points]
        t = [check_disks.to_mpc(r) for r in truth]
        bounds = [TOLERANCE * max(1, abs(r)) + check_disks.to_mpf(e)
                  for r, (_, _, e) in zip(t, truth)]
        right = matching(lambda i, j: abs(z[j] - t[i]) <= bounds[i], len(truth))
        if not right:
            failures.append("not right to 1e-4: " + ", ".join(mpmath.nstr(r, 10) for r in t) +
                            " against " + ", ".join(f"{a[1]} {a[2]}i" for a in answer))
    disagree = False
    for centre in {(a[1], a[2], a[3]) for a in refined if a[3] > 1}:
        lines = sum(1 for a in refined if (a[1], a[2], a[3]) == centre)
        if lines != centre[2]:
            disagree = True
            failures.append(f"{lines} lines of {centre[0]} {centre[1]}i кратность {centre[2]}")
    outside = 0
    if refined and points is not None:
        radii = {}
        if any(Fraction(text) == 0 for a in refined for text in a[1:3]):
            reported = check_disks.run(base + ["--report"], stdin)
            radii = {int(k): Fraction(r) for k, r in
                     (m.groups() for m in map(REFINED_RADIUS.match, reported.splitlines()) if m)}
            if read_roots(REFINED, reported) != refined:
                disagree = True
                failures.append("the refined roots of --report are not those of the plain run")
        for i, j in nearest_pairs(points, truth):
            label, texts = refined[i][0], refined[i][1:3]
            for part, (text, printed, true) in enumerate(zip(texts, points[i], truth[j][:2])):
                if printed == 0:
                    bound = radii.get(label, Fraction(0))
                else:
                    bound = unit(text)
                if abs(printed - true) > bound + truth[j][2]:
                    outside += 1
                    failures.append(
                        f"x{label}: {'im' if part else 're'} printed {text}, true "
                        f"{mpmath.nstr(check_disks.to_mpf(true), 20)}, off by more than "
                        f"{'the radius ' if printed == 0 else ''}"
                        f"{mpmath.nstr(check_disks.to_mpf(bound), 6)}")
    return check_disks.family_of(name), name, stdin, right, outside, disagree, failures


def start_worker():
    mpmath.mp.dps = DIGITS


def main():
    arguments = sys.argv[1:]
    measure = few = False
    count = 100
    while arguments and arguments[0].startswith("--"):
        option = arguments.pop(0)
        if option == "--measure":
            measure = True
        elif option == "--few":
            few = True
        elif option == "--families":
            count = int(arguments.pop(0))
        else:
            sys.exit(f"check_right: unknown option {option}")
    base = arguments[1:] + [arguments[0]]
    roots_of_powers = (1,) if few else (1, -2, 0.5, 1 + 1j)
    tasks = [(base, name, coefficients)
             for name, coefficients in check_disks.family_equations(count, roots_of_powers)]
    families = {check_disks.family_of(name): (0, 0, 0, 0) for _, name, _ in tasks}
    failed = 0
    # From the last equation to the first: beside check_disks.py on the same
    # families (the suite runs both at once), each computes the true roots of
    # about half of them and reads the other half that the other one keeps.
    with multiprocessing.Pool(2, initializer=start_worker) as pool:
        for family, name, stdin, right, outside, disagree, failures in pool.imap(
                judge, tasks[::-1], 4):
            runs, rights, parts, lines = families[family]
            families[family] = (runs + 1, rights + right, parts + outside, lines + disagree)
            if failures:
                failed += 1
                if not measure:
                    print(f"FAIL {name}: {stdin.strip()}" + "".join("\n  " + f for f in failures))
    short = []
    print(f"{'family':52} {'runs':>5} {'right':>8} {'parts off':>9} {'lines off':>9}")
    for family, (runs, rights, parts, lines) in families.items():
        share = rights / runs
        print(f"{family:52} {runs:5} {100 * share:7.1f}% {parts:9} {lines:9}")
        if share < PASSING_SHARE or parts or lines:
            short.append(family)
    print(f"{len(tasks) - failed} passed, {failed} failed" +
          (f"; families short of {100 * PASSING_SHARE}% right or with refined lines off: "
           f"{', '.join(short)}" if short else ""))
    return 0 if measure or not short else 1


if __name__ == "__main__":
    sys.exit(main())
