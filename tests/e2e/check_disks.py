#!/usr/bin/env python3
"""Checks the inclusion disks of --report against roots computed independently.

For each equation of the table, the listing and the --report lines of the
program are read, and the true roots of the equation as the program reads it
(each coefficient rounded to binary32) are computed with mpmath's polyroots at
60 digits, each with a bound of its own error (the single-point bound of its
square-free factor, at 200 digits). A root is in a disk when the exact
rational arithmetic of the printed decimals and the binary roots says so,
give or take that bound. Then:
- every printed disk, of a group or not, holds a true root;
- every true root lies in the union of the printed disks (all roots listed);
- a disk that its line shows apart from the others holds exactly one true root,
  and a group exactly as many as its lines claim; the groups are what the
  printed centres and radii say: a disk named as met is not apart from this
  one, a disk named as reached through others and every disk of other groups
  is; and the number words agree;
- each printed radius is at least its bound computed from the printed centres
  in mpmath: n |Wi| for a disk of a group, |Wi| / (1 - Si) for a disk shown
  apart, whose disk n |Wi| must be apart from the others, and n |P| / |P'| for
  a single-point disk;
- no radius is larger than |centre| + Cauchy's bound of every root's modulus
  (the positive root of |a0| x^n - sum of |ai| x^(n-i)), give or take the
  rounding to six digits; a disk labelled as that bound holds every true root,
  and where the lines are of the simultaneous theorem it is one of a single
  group of all n disks.

With --families N it checks instead, for N seeded random equations of order 1
to 9 from each of six families (integer coefficients in -10..10, real ones
uniform in -1..1, complex Gaussian ones, real roots uniform in -10..10,
complex roots of modulus about 3, coefficient magnitudes spread over
1e-6..1e6) and for x^n - 1, x^n + 1, (x - a)^k, the Chebyshev polynomials
T1..T9 and (x - 1)(x - 2)...(x - n); then for N of each of eight more (roots
on the unit circle, clusters of radius 1e-2, pairs of roots 1e-3..1e-1 apart,
(x - 1)...(x - n) with a coefficient off by 1e-6, roots of size 1e-3..1e3,
coefficients of +1 and -1, complex Gaussian ones of order 9, powers (x - a)^k
and their products) and for the named equations at the edges of what the
program takes (x^9 + 1e-38, 3e38 x^2 - 1 and others): that every run lists
all n roots with status 0 (whatever the search from (0, 0) and (1, 1) met),
and that the disks hold as above; and where a search reached the pass limit
or a root was found otherwise, that the refined roots are printed and their
disks hold as well.

With --ratios it measures instead: over the recorded sessions that solve an
equation, the ratio of each printed radius to the distance from the printed
root to the nearest true root.

Usage: check_disks.py [--ratios | --families N [--few]] PROGRAM [launcher...]
(--few: of the powers (x - a)^k only those of a = 1)
"""
import cmath
import functools
import hashlib
import json
import math
import multiprocessing
import os
import pathlib
import random
import re
import statistics
import subprocess
import sys
import tempfile
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

SIMULTANEOUS, SINGLE, BOUND, NONE = "simultaneous", "single point", "bound", "none"
# name, standard input, the kinds of disk that the lines give. A BOUND disk
# (capped at |centre| + the bound of every root) gives no sign of its theorem:
# with neither SINGLE nor NONE, the lines here are of the simultaneous one.
EQUATIONS = [
    ("well-separated roots", "3\n1 -6 11 -6\n", {SIMULTANEOUS}),
    ("cube roots of 1", "3\n1 0 0 -1\n", {SIMULTANEOUS}),
    ("double root", "2\n1 -2 1\n", {SIMULTANEOUS}),
    ("double root and a disk apart: (x - 1)^2 (x - 3)", "3\n1 -5 7 -3\n", {SIMULTANEOUS}),
    ("cluster: 1, 1.01, 1.02", "3\n1 -3.03 3.0602 -1.0302\n", {SIMULTANEOUS}),
    ("triple root", "3\n1 -3 3 -1\n", {SIMULTANEOUS}),
    ("(x - 2)^4", "4\n1 -8 24 -32 16\n", {SIMULTANEOUS}),
    ("(x - 2)^5", "5\n1 -10 40 -80 80 -32\n", {SIMULTANEOUS}),
    ("(x - 1)^6", "6\n1 -6 15 -20 15 -6 1\n", {SIMULTANEOUS}),
    ("(x - 1)^7", "7\n1 -7 21 -35 35 -21 7 -1\n", {SIMULTANEOUS}),
    ("(x - 0.5)^8", "8\n1 -4 7 -7 4.375 -1.75 0.4375 -0.0625 0.00390625\n", {SIMULTANEOUS}),
    # A search at the pass limit leaves x1 near 0: every radius is the bound.
    ("after a pass-limit search", "3\n1000 0 0 -1\n", {BOUND}),
    ("order nine", "9\n0.001 0.01 0.1 1 2 3 4 5 6 7\n", {SIMULTANEOUS}),
    ("order nine, a search at the pass limit", "9\n1 1 1 1 1 1 1 1 1 1\n",
     {SIMULTANEOUS, BOUND}),
    ("order nine, a chain of disks: x1 meets x3 only through x2",
     "9\n0.00276165536 0.00938962823 -0.0208781145 -0.0552054907 0.0970100487 0.0579533378 "
     "-0.184796169 0.12452304 -0.0341133479 0.00335541126\n", {SIMULTANEOUS}),
    ("complex coefficients", "4\n(1,2) (0,-1) 3 (0.5,0.25) (-7,1)\n", {SIMULTANEOUS}),
    # Three disks apart with corrections of different sizes: each radius
    # |Wi| / (1 - Si) depends on the gaps |zi - zj| - n |Wi| of its own.
    ("disks apart, corrections of different sizes",
     "3\n5.77468 -0.0977678 -0.00324831 -0.000127895\n", {SIMULTANEOUS}),
    # x1's radius lies next to a six-digit boundary that the error of reading
    # its centre back moves it across (the read-back's own test sees that).
    ("a radius that the read-back error moves",
     "3\n0.6041883230209351 4.365734577178955 2.8479721546173096 3.53615140914917\n",
     {SIMULTANEOUS}),
    ("small coefficients: stopped far from the roots", "2\n1e-3 (0,2e-3) -5e-4\n",
     {SIMULTANEOUS}),
    ("a subnormal root", "1\n1 -1e-45\n", {SIMULTANEOUS}),
    ("roots 3e9 and 7e-28", "2\n1 -3e9 2e-18\n", {SIMULTANEOUS}),
    # The search from (0, 0) and (1, 1) overflows from coefficients of about 1e19 on.
    ("coefficients near 1e19: found from other start points", "2\n3e18 -9e18 6e18\n",
     {SIMULTANEOUS}),
    ("x^9 - 1: found from other start points", "9\n1 0 0 0 0 0 0 0 0 -1\n", {SIMULTANEOUS}),
    ("(x - 1)^4: the start points give one value", "4\n1 -4 6 -4 1\n", {SIMULTANEOUS}),
    ("3e38 x - 3e38", "1\n3e38 -3e38\n", {SIMULTANEOUS}),
    ("both start points are roots", "2\n1 (-1,-1) 0\n", {SIMULTANEOUS}),
    ("after a pass-limit search, a root taken at the rounding floor", "4\n3 1 5 0.5 1000\n",
     {SIMULTANEOUS}),
    ("a search fails: one of two roots (the other is 1e50)", "2\n1e-30 -1e20 1e20\n", {SINGLE}),
    ("two printed roots equal", "2\n1 0 0\n", {SINGLE}),
    ("printed roots equal where P' is 0", "4\n1 0 0 0 1e-40\n", {BOUND, NONE}),
    # Searches that "converge" at points near 0 give absurd radii (up to
    # 6.5e+140 and 1.41422 here) that the bound caps; the group of all n
    # disks still holds n roots.
    ("roots of modulus 0.209, listed near 0", "8\n1 0 0 0 0 0 0 0 3.539e-06\n", {BOUND}),
    ("roots of size 1e-20, listed near 0", "2\n1 0 1e-40\n", {BOUND}),
    # P is exactly 0 at the listed 1: a root printed on a true one, radius 0,
    # in the group of all nine.
    ("(x - 1)^9: x1 is exactly 1", "9\n3 -27 108 -252 378 -378 252 -108 27 -3\n",
     {SIMULTANEOUS}),
]
DIGITS = 60
CIRCLES = {2: "двух", 3: "трёх", 4: "четырёх", 5: "пяти", 6: "шести", 7: "семи", 8: "восьми",
           9: "девяти"}
LISTING = re.compile(r"^x(\d+)=(\S+) (\S+)i$")
REPORT = re.compile(r"^x(\d+): .*\|P\(x\d+\)\|=[^,]+, (.*)$")
NAMES = r"(кругом|кругами) (x\d+(?:, x\d+)*)"
DISK = re.compile(r"^корень уравнения в круге радиуса ([0-9.e+-]+)"
                  r"( \(оценка по одной точке\)| \(по оценке модулей всех корней\))?"
                  r"(?:; круг пересекается с " + NAMES + r"(?:, а через (него|них) связан с " +
                  NAMES + r")?: в этих (\S+) кругах (\d+) (корня|корней))?$")
NO_DISK = re.compile(r"^круг с корнем уравнения найти не удалось: .+$")
COEFFICIENT = re.compile(r"\(\s*([^\s,()]+)\s*(?:,\s*([^\s,()]+)\s*)?\)|([^\s()]+)")


def run(command, stdin, with_status=False):
    result = subprocess.run(command, input=stdin.encode(), capture_output=True, timeout=120,
                            start_new_session=True)
    try:
        text = result.stdout.decode("utf-8")
    except UnicodeDecodeError:
        text = result.stdout.decode("cp866")  # the Windows program under Wine
    text = text.replace("\r\n", "\n")
    return (result.returncode, text) if with_status else text


def run_once_more_under_launcher(base, options, stdin):
    """The status and text of a run, once more where it failed and the program
    runs under a launcher (base is more than the program: Wine, whose own
    failure to start or finish a program is not the program's); a failure of
    the program fails both."""
    status, text = run(base + options, stdin, with_status=True)
    if status != 0 and len(base) > 1:
        status, text = run(base + options, stdin, with_status=True)
    return status, text


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


def to_mpf(q):
    return mpmath.mpf(q.numerator) / q.denominator


def to_mpc(z):
    return mpmath.mpc(to_mpf(z[0]), to_mpf(z[1]))


def exact(x):
    """An mpf as the rational it is."""
    x = mpmath.mpf(x)
    man, exp = x.man_exp  # of |x|
    return (-1 if x < 0 else 1) * Fraction(man) * Fraction(2) ** exp if man else Fraction(0)


def error_bound(factor, root):
    """deg f |f(z)| / |f'(z)| at 200 digits, with a margin for the rounding at
    that precision: a root of f lies within it of z."""
    with mpmath.workdps(200):
        values = [to_mpc(a) for a in factor]
        n = len(values) - 1
        scale = sum(abs(a) * abs(root) ** k for k, a in enumerate(reversed(values)))
        slope = abs(mpmath.polyval(values, root, derivative=True)[1])
        value = abs(mpmath.polyval(values, root)) + scale * mpmath.mpf(10) ** -190
        return exact(2 * n * value / slope)


def kept(function):
    """The function of the coefficients (exact rationals in, rationals or an mpf out)
    remembered per process and, where SECANT_TRUTH_CACHE names a folder, in a file
    there: the stages run the same families, and the roots, not the program, take
    most of their time. The key holds this script's own text, mpmath's version
    and the working precision, so a change to any of them computes anew."""
    memo = {}

    @functools.wraps(function)
    def wrapper(coefficients):
        key = (f"{function.__name__} {mpmath.mp.prec} {mpmath.__version__} {SCRIPT_HASH} "
               f"{coefficients!r}")
        if key in memo:
            return memo[key]
        folder = os.environ.get("SECANT_TRUTH_CACHE")
        path = folder and pathlib.Path(folder, hashlib.sha256(key.encode()).hexdigest())
        value = read_kept(path, key) if path else None
        if value is None:
            value = function(coefficients)
            if path:
                write_kept(path, key, value)
        memo[key] = value
        return list(value) if isinstance(value, list) else value
    return wrapper


SCRIPT_HASH = hashlib.sha256(pathlib.Path(__file__).read_bytes()).hexdigest()


def read_kept(path, key):
    """The value kept under the key, or None where there is none (or not whole)."""
    try:
        kept_key, value = json.loads(path.read_text(encoding="utf-8"))
        if kept_key != key:
            return None
        if isinstance(value, str):
            return to_mpf(Fraction(value))
        return [tuple(Fraction(part) for part in root) for root in value]
    except (OSError, ValueError, TypeError):
        return None


def write_kept(path, key, value):
    """The value written whole under a name of its own, then renamed into place."""
    if isinstance(value, mpmath.mpf):
        data = str(exact(value))
    else:
        data = [[str(part) for part in root] for root in value]
    path.parent.mkdir(parents=True, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=path.parent, prefix=".kept-")
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as file:
            json.dump([key, data], file)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


@kept
def true_roots(coefficients):
    """All roots, with multiplicity, as (re, im, e): rationals, a true root within e of
    re + i im. Simple roots of the square-free factors by polyroots at DIGITS digits,
    each with its own bound, and linear factors exactly."""
    roots = []
    for factor, multiplicity in square_free_factors(trim(coefficients)):
        if len(factor) == 2:
            found = [divide((-factor[1][0], -factor[1][1]), factor[0]) + (Fraction(0),)]
        else:
            values = [to_mpc(a) for a in factor]
            approximations = mpmath.polyroots(values, maxsteps=4000, extraprec=500)
            found = [(exact(z.real), exact(z.imag), error_bound(factor, z)) for z in approximations]
            # Each bound's disk holds a root of the factor; apart, they hold all of them.
            for i, a in enumerate(found):
                assert all(apart(a, a[2], b, b[2]) for b in found[i + 1:]), factor
        roots += found * multiplicity
    assert len(roots) == len(coefficients) - 1, "roots missing"
    return roots


class Disk:
    """A disk as its --report line gives it."""

    def __init__(self, match):
        radius, single, meet_form, meets, through_word, through_form, through, word, count, noun = (
            match.groups())
        self.radius = Fraction(radius)
        self.single = single == " (оценка по одной точке)"
        self.bound = single == " (по оценке модулей всех корней)"
        self.meets = [int(x) for x in re.findall(r"\d+", meets or "")]
        self.through = [int(x) for x in re.findall(r"\d+", through or "")]
        self.words = (meet_form, through_word, through_form, word, noun)
        self.count = int(count) if count else 1


def read_report(output):
    """The printed roots as exact (re, im) and, for each, its Disk, "none" or the unread tail."""
    roots, disks = {}, {}
    for line in output.splitlines():
        listed = LISTING.match(line)
        if listed:
            roots[int(listed.group(1))] = (Fraction(listed.group(2)), Fraction(listed.group(3)))
        reported = REPORT.match(line)
        if reported:
            k, tail = int(reported.group(1)), reported.group(2)
            disk = DISK.match(tail)
            if disk:
                disks[k] = Disk(disk)
            else:
                disks[k] = NONE if NO_DISK.match(tail) else "unreadable: " + tail
    return roots, disks


def distance2(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2


def inside(root, centre, radius):
    """Whether the true root within root[2] of root[:2] may lie in the closed disk."""
    return distance2(root, centre) <= (radius + root[2]) ** 2


def apart(a, ra, b, rb):
    return distance2(a, b) > (ra + rb) ** 2


def to_text(z):
    return mpmath.nstr(to_mpc(z), 12)


def check_groups(roots, disks, truth, failures):
    groups = {k: frozenset([k] + disk.meets + disk.through) for k, disk in disks.items()}
    for k, disk in disks.items():
        group = groups[k]
        if any(groups[j] != group for j in group):
            failures.append(f"x{k}: its group {sorted(group)} is not the same on every line")
            continue
        if disk.count != len(group):
            failures.append(f"x{k}: {disk.count} roots claimed for {len(group)} disks")
        many = "кругами"
        expected = ("кругом" if len(disk.meets) == 1 else many if disk.meets else None,
                    None if not disk.through else "него" if len(disk.meets) == 1 else "них",
                    "кругом" if len(disk.through) == 1 else many if disk.through else None,
                    CIRCLES.get(len(group)), "корня" if len(group) < 5 else "корней")
        if len(group) > 1 and disk.words != expected:
            failures.append(f"x{k}: {disk.words} for {len(disk.meets)} met and "
                            f"{len(disk.through)} through them")
        reached, queue = {k}, [k]
        while queue:
            for j in disks[queue.pop()].meets:
                if j not in reached:
                    reached.add(j)
                    queue.append(j)
        if reached != group:
            failures.append(f"x{k}: the disks it meets reach {sorted(reached)}, not its group")
        for j, other in disks.items():
            if j == k:
                continue
            if j in disk.meets:
                # Met: not shown apart, which rounding may leave undecided.
                radii = to_mpf(disk.radius + other.radius)
                scale = abs(to_mpc(roots[k])) + abs(to_mpc(roots[j])) + radii
                gap = abs(to_mpc(roots[k]) - to_mpc(roots[j])) - radii
                if gap > scale * mpmath.mpf(10) ** -12 or k not in other.meets:
                    failures.append(f"x{k} is said to meet x{j}, but they are apart")
            elif not apart(roots[k], disk.radius, roots[j], other.radius):
                failures.append(f"x{k} and x{j} overlap, but x{k}'s line does not say it")
        held = sum(1 for z in truth if any(inside(z, roots[j], disks[j].radius) for j in group))
        if held != len(group):
            failures.append(f"x{k}: {held} true roots in the disks of {sorted(group)}")


@kept
def cauchy_bound(coefficients):
    """The positive root of |a0| x^n - sum of |ai| x^(n-i): every root's modulus is at
    most it. Q(x) / x^n increases, so bisection finds it (0 where every ai is 0)."""
    moduli = [abs(to_mpc(a)) for a in coefficients]
    if not any(moduli[1:]):
        return mpmath.mpf(0)
    low, high = mpmath.mpf(0), 1 + max(moduli[1:]) / moduli[0]
    for _ in range(4 * DIGITS):
        middle = (low + high) / 2
        if moduli[0] > sum(m / middle ** i for i, m in enumerate(moduli[1:], 1)):
            high = middle
        else:
            low = middle
    return high


def check_bounds(coefficients, roots, disks, failures):
    """Each radius against its bound computed from the printed centres."""
    values = [to_mpc(a) for a in coefficients]
    n = len(values) - 1
    z = {k: to_mpc(c) for k, c in roots.items()}
    margin = 1 - mpmath.mpf(10) ** -40  # for the rounding of mpmath's own arithmetic
    rounding = 1 + mpmath.mpf("1.1e-5")  # six digits rounded up, and the program's bound
    cauchy = cauchy_bound(coefficients)
    w = {}
    # A multiple root is printed once per member: its disk comes from its
    # Taylor coefficients, and the others' from stand-ins for its members, so
    # only what the disks claim of the roots is checked there (check_groups).
    multiple = len(set(z.values())) < len(z)
    if not multiple and any(disk != NONE and not disk.single and not disk.bound
                            for disk in disks.values()):
        w = {j: mpmath.polyval(values, z[j]) /
             (values[0] * mpmath.fprod(z[j] - z[i] for i in z if i != j)) for j in z}
    for k, disk in disks.items():
        if disk == NONE:
            continue
        radius = to_mpf(disk.radius)
        if radius > (abs(z[k]) + cauchy) * rounding:
            failures.append(f"x{k}: radius {disk.radius} above |x{k}| + Cauchy's bound "
                            f"{mpmath.nstr(cauchy, 8)}")
        if disk.bound or (multiple and not disk.single):
            continue
        if disk.single:
            value, slope = mpmath.polyval(values, z[k], derivative=True)
            bound = n * abs(value) / abs(slope) if value != 0 else 0
            if radius < bound * margin:
                failures.append(f"x{k}: radius {disk.radius} below n |P| / |P'| = "
                                f"{mpmath.nstr(bound, 8)}")
            continue
        if disk.meets:
            if radius < n * abs(w[k]) * margin:
                failures.append(f"x{k}: radius {disk.radius} below n |W| = "
                                f"{mpmath.nstr(n * abs(w[k]), 8)}")
            continue
        near = [j for j in z if j != k and abs(z[k] - z[j]) <= n * (abs(w[k]) + abs(w[j]))]
        if near:
            failures.append(f"x{k} is shown apart, but its disk n |W| meets that of x{near[0]}")
            continue
        s = sum(abs(w[j]) / (abs(z[k] - z[j]) - n * abs(w[k])) for j in z if j != k)
        bound = abs(w[k]) / (1 - s)
        if radius < bound * margin:
            failures.append(f"x{k}: radius {disk.radius} below |W| / (1 - S) = "
                            f"{mpmath.nstr(bound, 8)}")


def kind(disk):
    if isinstance(disk, str):
        return disk
    return SINGLE if disk.single else BOUND if disk.bound else SIMULTANEOUS


def check(base, stdin, kinds, output=None):
    roots, disks = read_report(output or run(base + ["--report"], stdin))
    coefficients = equation(stdin)
    truth = true_roots(coefficients)
    if not roots or sorted(disks) != sorted(roots):
        return [f"{len(roots)} roots listed, {len(disks)} disks reported"]
    seen = {kind(disk) for disk in disks.values()}
    if seen != kinds:
        return [f"disks {sorted(seen)}, not {sorted(kinds)}"]
    failures = []
    drawn = {k: disk for k, disk in disks.items() if disk != NONE}
    for k, disk in drawn.items():
        if not any(inside(z, roots[k], disk.radius) for z in truth):
            failures.append(f"x{k}: no true root in its disk of radius {disk.radius}")
    check_bounds(coefficients, roots, disks, failures)
    theorem = kinds <= {SIMULTANEOUS, BOUND}
    for k, disk in drawn.items():
        if disk.bound:
            held = sum(1 for z in truth if inside(z, roots[k], disk.radius))
            if held != len(truth):
                failures.append(f"x{k}: its disk is the bound of every root, but holds {held} "
                                f"of {len(truth)}")
            if theorem and disk.count != len(truth):
                failures.append(f"x{k}: a disk capped at the bound in a group of {disk.count} "
                                f"disks, not of all {len(truth)}")
    if theorem:
        for z in truth:
            if not any(inside(z, roots[k], disk.radius) for k, disk in disks.items()):
                failures.append(f"true root {to_text(z)} lies in no disk")
        check_groups(roots, disks, truth, failures)
    return failures


def from_roots(roots):
    c = [1]
    for r in roots:
        c = [a - r * b for a, b in zip(c + [0], [0] + c)]
    return c


def coefficient_text(c):
    c = complex(c)
    return f"{c.real:.9g}" if c.imag == 0 else f"({c.real:.9g},{c.imag:.9g})"


def family_equations(count, roots_of_powers=(1, -2, 0.5, 1 + 1j)):
    """(name, coefficients) of the random families, seeded, and of the named equations."""
    rng = random.Random(20261209)
    families = [
        ("integers", lambda n: [rng.choice([k for k in range(-10, 11) if k])] +
         [rng.randint(-10, 10) for _ in range(n)]),
        ("real uniform", lambda n: [rng.uniform(-1, 1) for _ in range(n + 1)]),
        ("complex Gaussian", lambda n: [complex(rng.gauss(0, 1), rng.gauss(0, 1))
                                        for _ in range(n + 1)]),
        ("real roots", lambda n: from_roots([rng.uniform(-10, 10) for _ in range(n)])),
        ("complex roots of size 3", lambda n: from_roots(
            [cmath.rect(3 * rng.uniform(0.7, 1.3), rng.uniform(0, 2 * math.pi))
             for _ in range(n)])),
        ("spread 1e-6..1e6", lambda n: [rng.choice([-1, 1]) * 10 ** rng.uniform(-6, 6)
                                        for _ in range(n + 1)]),
    ]
    for name, make in families:
        for i in range(count):
            yield f"{name} {i + 1}", make(rng.randint(1, 9))
    chebyshev = [[1], [1, 0]]
    for n in range(2, 10):  # T(n) = 2 x T(n - 1) - T(n - 2)
        chebyshev.append([2 * a - b for a, b in zip(chebyshev[-1] + [0], [0, 0] + chebyshev[-2])])
    for n in range(1, 10):
        yield f"x^{n} - 1", [1] + [0] * (n - 1) + [-1]
        yield f"x^{n} + 1", [1] + [0] * (n - 1) + [1]
        for a in roots_of_powers:
            yield f"(x - {a})^{n}", from_roots([a] * n)
        yield f"T{n}", chebyshev[n]
        yield f"(x - 1)...(x - {n})", from_roots(range(1, n + 1))
    # The families added later draw from a generator of their own, so that the
    # equations above stay what they were.
    more = random.Random(20270311)

    def angle():
        return more.uniform(0, 2 * math.pi)

    def cluster(n):
        centre = cmath.rect(more.uniform(0.5, 2), angle())
        return from_roots([centre + cmath.rect(1e-2 * math.sqrt(more.random()), angle())
                           for _ in range(n)])

    def pairs(n):
        roots = []
        for _ in range(n // 2):
            centre, half = cmath.rect(more.uniform(0.5, 3), angle()), cmath.rect(
                10 ** more.uniform(-3, -1) / 2, angle())
            roots += [centre - half, centre + half]
        return from_roots(roots + [cmath.rect(more.uniform(0.5, 3), angle())] * (n % 2))

    def perturbed(n):
        c = from_roots(range(1, n + 1))
        c[more.randint(0, n)] *= 1 + more.choice([-1, 1]) * 1e-6 * more.uniform(0.5, 2)
        return c

    def powers(n):
        """(x - a)^k, or a product of two or three such powers, each k at least 2."""
        bases = more.sample([0, 1, -2, 0.5, 3], more.randint(1, 3))
        while True:
            exponents = [more.randint(2, 9) for _ in bases]
            if sum(exponents) <= 9:
                return from_roots([a for a, k in zip(bases, exponents) for _ in range(k)])

    families = [
        ("roots on the unit circle", lambda n: from_roots([cmath.rect(1, angle())
                                                           for _ in range(n)])),
        ("clusters of radius 1e-2", cluster),
        ("pairs 1e-3..1e-1 apart", pairs),
        ("(x - 1)...(x - n), a coefficient perturbed by 1e-6", perturbed),
        ("roots of size 1e-3..1e3", lambda n: from_roots(
            [cmath.rect(10 ** more.uniform(-3, 3), angle()) for _ in range(n)])),
        ("Littlewood", lambda n: [more.choice([-1, 1]) for _ in range(n + 1)]),
        ("complex Gaussian of order 9", lambda n: [complex(more.gauss(0, 1), more.gauss(0, 1))
                                                   for _ in range(10)]),
        ("powers and their products", powers),
    ]
    for name, make in families:
        for i in range(count):
            yield f"{name} {i + 1}", make(more.randint(1, 9))
    for name, coefficients in NAMED:
        yield name, coefficients


# Equations at the edges of what the program takes, as (name, coefficients).
NAMED = [
    ("x^9 + 1e-38", [1, 0, 0, 0, 0, 0, 0, 0, 0, 1e-38]),
    ("order 7, clustered real roots", [1, -1.91259789, -58.0638962, 129.060211, 911.57074,
                                       -2219.82251, -3173.76025, 8053.76611]),
    ("1e25 x^2 + 1", [1e25, 0, 1]),
    ("coefficients 1e20 down to 1e-25", [1e20, 1e15, 1e10, 1e5, 1, 1e-5, 1e-10, 1e-15, 1e-20,
                                          1e-25]),
    ("3e38 x^2 - 1", [3e38, 0, -1]),
    ("x^2 - 3.4028235e38", [1, 0, -3.4028235e38]),
    ("x^4", [1, 0, 0, 0, 0]),
    ("x^2 + 2x + 1", [1, 2, 1]),
    ("(x - 1)^4 (x + 2)^3", from_roots([1] * 4 + [-2] * 3)),
    ("(x - 0.5)^2 (x - 3)^3", from_roots([0.5] * 2 + [3] * 3)),
]
FAMILY_NAMES = [
    (re.compile(r"^x\^\d+ - 1$"), "x^n - 1"),
    (re.compile(r"^x\^\d+ \+ 1$"), "x^n + 1"),
    (re.compile(r"^\(x - .*\)\^\d+$"), "(x - a)^n"),
    (re.compile(r"^T\d+$"), "Chebyshev T1..T9"),
    (re.compile(r"^\(x - 1\)\.\.\.\(x - \d+\)$"), "(x - 1)...(x - n)"),
]


def family_of(name):
    """The family of an equation that family_equations names."""
    if name in dict(NAMED):
        return "named equations"
    for pattern, family in FAMILY_NAMES:
        if pattern.match(name):
            return family
    return name.rsplit(" ", 1)[0]


REFINED = re.compile(r"^уточнённый (x\d+=\S+ \S+i)(?: кратность \d+)?$")
REFINED_REPORT = re.compile(r"^уточнённый (x\d+): \S+ \d+, (?:кратный корень, одно значение с [x\d, ]+, )?(.*)$")
# After the listing: a search at the pass limit, or a root found otherwise.
NEEDS_REFINEMENT = re.compile(r"^Внимание: для корня x\d+ (точность не достигнута|поиск из)", re.M)


def refined_as_listed(output):
    """The refined roots and their --report lines written as a listing and its
    lines, so that the same checks take them."""
    lines = []
    for line in output.splitlines():
        listed, reported = REFINED.match(line), REFINED_REPORT.match(line)
        if listed:
            lines.append(listed.group(1))
        elif reported:
            lines.append(f"{reported.group(1)}: |P({reported.group(1)})|=0, {reported.group(2)}")
    return "\n".join(lines)


def judge_family_equation(task):
    """The failures of one equation of the families: (name, its input, failures)."""
    base, name, coefficients = task
    stdin = f"{len(coefficients) - 1}\n" + " ".join(map(coefficient_text, coefficients)) + "\n"
    status, output = run_once_more_under_launcher(base, ["--report"], stdin)
    roots, disks = read_report(output)
    if status != 0 or len(roots) != len(coefficients) - 1:
        return name, stdin, [f"status {status}, {len(roots)} of {len(coefficients) - 1} roots"]
    failures = check(base, stdin, {kind(disk) for disk in disks.values()}, output)
    refined = refined_as_listed(output)
    if NEEDS_REFINEMENT.search(output) and not refined:
        failures.append("no refined roots after a search that did not give its root")
    elif refined:
        refined_roots, refined_disks = read_report(refined)
        failures += ["refined: " + f for f in check(
            base, stdin, {kind(disk) for disk in refined_disks.values()}, refined)]
    return name, stdin, failures


def start_worker():
    mpmath.mp.dps = DIGITS


def check_families(base, count, roots_of_powers):
    failed = total = 0
    tasks = [(base, name, coefficients)
             for name, coefficients in family_equations(count, roots_of_powers)]
    # One worker a core: mpmath's roots, not the program, take most of the time.
    with multiprocessing.Pool(os.cpu_count() or 2, initializer=start_worker) as pool:
        results = list(pool.imap(judge_family_equation, tasks, 4))
    for name, stdin, failures in results:
        total += 1
        if failures:
            failed += 1
            print(f"FAIL {name}: {stdin.strip()}" + "".join("\n  " + f for f in failures))
    print(f"{total - failed} of {total} equations solved, every disk holding")
    return 1 if failed else 0


def ratios(base, cases):
    values, exact_roots, per_case = [], 0, []
    for case in sorted(cases.glob("*.in")):
        stdin = case.read_text(encoding="utf-8")
        roots, disks = read_report(run(base + ["--report"], stdin))
        if not roots:
            continue
        truth = [to_mpc(z) for z in true_roots(equation(stdin))]
        mine = []
        for k, disk in disks.items():
            if disk == NONE:
                continue
            distance = min(abs(to_mpc(roots[k]) - z) for z in truth)
            if distance == 0:
                exact_roots += 1
            else:
                mine.append(float(to_mpf(disk.radius) / distance))
        values += mine
        if mine:
            per_case.append((case.stem, statistics.median(mine)))
    for name, median in per_case:
        print(f"{name:32} median ratio {median:.7g}")
    quartiles = statistics.quantiles(values, n=4)
    print(f"{len(values)} roots in {len(per_case)} sessions ({exact_roots} printed exactly on a "
          f"root): median ratio {statistics.median(values):.7g}, quartiles {quartiles[0]:.7g} and "
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
    if arguments[:1] == ["--families"]:
        count, arguments = int(arguments[1]), arguments[2:]
        roots_of_powers = (1,) if arguments[:1] == ["--few"] else (1, -2, 0.5, 1 + 1j)
        arguments = arguments[1:] if arguments[:1] == ["--few"] else arguments
        return check_families(arguments[1:] + [arguments[0]], count, roots_of_powers)
    failed = 0
    for name, stdin, kinds in EQUATIONS:
        failures = check(base, stdin, kinds)
        print(("FAIL " if failures else "ok   ") + name + "".join("\n  " + f for f in failures))
        failed += bool(failures)
    print(f"{len(EQUATIONS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
