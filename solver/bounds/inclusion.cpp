#include "solver/bounds/inclusion.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "solver/bounds/binary64.hpp"
#include "solver/bounds/decimal.hpp"
#include "solver/bounds/directed.hpp"
#include "solver/bounds/root_bound.hpp"

namespace secant::inclusion {

using namespace bounds;  // NOLINT(google-build-using-namespace): the arithmetic of every bound

// ---------------------------------------------------------------------------
// The disks.

namespace {

bool readCentre(const PrintedRoot& root, Centre& centre) {
    const ReadBack re = readBack(root.re);
    const ReadBack im = readBack(root.im);
    centre.at = {re.value, im.value};
    centre.error = addUp(re.error, im.error);
    return re.valid && im.valid;
}

void setRadius(RootDisk& disk, DiskKind kind, double radius) {
    if (!std::isfinite(radius)) {
        disk.kind = DiskKind::None;
        disk.reason = NoDiskReason::Overflow;
        return;
    }
    const Radius printed = roundRadiusUp(radius);
    disk.kind = kind;
    disk.radiusText = printed.text;
    disk.radius = printed.upper;
}

}  // namespace

// A polynomial of degree n >= 1 has a root within n |P(z)| / |P'(z)| of z:
// P'/P(z) is the sum of 1 / (z - root) over its n roots, so |P'/P(z)| <= n /
// (distance to the nearest root). Around the printed root the radius grows
// by the distance between the two centres. Returns infinity, with the
// reason, where no such radius can be bounded.
double singlePointRadius(const Coefficients& a, int count, const Centre& centre,
                         NoDiskReason& reason) {
    const int n = count - 1;
    Coefficients derivative{};
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const auto times = static_cast<double>(n - i);  // (n - i) ai is exact: 24 bits by 4
        derivative[k] = {times * a[k].re, times * a[k].im};
    }
    const Evaluated p = evaluate(a, count, centre.at);
    const Evaluated dp = evaluate(derivative, n, centre.at);
    reason = NoDiskReason::Overflow;
    if (!isFinite(p) || !isFinite(dp)) {
        return kInfinity;
    }
    const double pUp = magnitudeUp(p);
    const double dpDown = magnitudeDown(dp);
    if (pUp == 0) {
        return centre.error;  // P is exactly 0 there (evaluate): the centre is a root
    }
    if (dpDown == 0) {
        reason = NoDiskReason::DerivativeNearZero;
        return kInfinity;
    }
    return addUp(multiplyUp(static_cast<double>(n), divideUp(pUp, dpDown)), centre.error);
}

namespace {

void singlePointDisk(const Coefficients& a, int count, const Centre& centre, RootDisk& disk) {
    NoDiskReason reason = NoDiskReason::Overflow;
    const double radius = singlePointRadius(a, count, centre, reason);
    if (std::isfinite(radius)) {
        setRadius(disk, DiskKind::SinglePoint, radius);
    } else {
        disk.kind = DiskKind::None;
        disk.reason = reason;
    }
}

}  // namespace

// Pellet's theorem: with the Taylor coefficients bj = P^(j)(c) / j! of P at
// c, where |bk| rho^k > sum over j != k of |bj| rho^j, P has exactly k roots
// in the disk |z - c| < rho (Rouche: on its circle the term bk (z - c)^k
// outweighs all the others together), and none on the circle, so exactly k
// in the closed disk too. The printed disk of radius rho + e around the
// printed centre (within e of c) holds that disk; where the inequality holds
// at rho + 2e as well, the printed disk lies inside a disk of exactly k
// roots, so it holds exactly k. Where P .. P^(k-1) are exactly 0 at c, the
// inequality holds for every small enough rho > 0: c is a root of
// multiplicity k, and the disk is the point c plus e.
//
// The bounds: |bj| from above for j != k, |bk| from below, each power of
// rho rounded the way its term needs. The least rho is found among the
// powers of two from a start below every balance |bj| / |bk| = rho^(k - j)
// of a lower term, then by bisection within its octave.

namespace {

constexpr int kPelletScan = 96;
constexpr int kPelletBisections = 40;
constexpr int kLeastExponent = -1074;

struct Taylor {
    std::array<double, kMaxCoefficients> upper{};  // >= |bj|, j != k
    double leadingDown = 0;                        // <= |bk|
    bool exactBelow = true;                        // b0 .. b(k-1) exactly 0
};

bool taylorBounds(const Coefficients& a, int count, Complex64 c, int k, Taylor& t) {
    double factorial = 1;
    for (int j = 0; j < count; ++j) {
        factorial *= j > 0 ? j : 1;  // exact: at most 9!
        int derivedCount = 0;
        const Coefficients d = derivative(a, count, j, derivedCount);
        const Evaluated e = evaluate(d, derivedCount, c);
        if (!isFinite(e)) {
            return false;
        }
        if (j < k) {
            t.exactBelow = t.exactBelow && e.error == 0 && isZero(e.value);
        }
        if (j == k) {
            t.leadingDown = down(magnitudeDown(e) / factorial);
        } else {
            t.upper[static_cast<std::size_t>(j)] = divideUp(magnitudeUp(e), factorial);
        }
    }
    return t.leadingDown > 0;
}

bool pelletHolds(const Taylor& t, int count, int k, double rho) {
    double powerUp = 1;
    double powerDown = 1;
    double others = 0;
    double term = 0;
    for (int j = 0; j < count; ++j) {
        if (j > 0) {
            powerUp = multiplyUp(powerUp, rho);
            powerDown = multiplyDown(powerDown, rho);
        }
        if (j == k) {
            term = multiplyDown(t.leadingDown, powerDown);
        } else {
            others = addUp(others, multiplyUp(t.upper[static_cast<std::size_t>(j)], powerUp));
        }
    }
    return std::isfinite(others) && term > others;
}

// floor(a / b) for b > 0.
int floorDivide(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The least rho found for which the inequality holds, or infinity.
double leastPelletRadius(const Taylor& t, int count, int k) {
    if (t.exactBelow) {
        return 0;
    }
    int leadingExponent = 0;
    std::frexp(t.leadingDown, &leadingExponent);
    int start = kLeastExponent;
    for (int j = 0; j < k; ++j) {
        const double b = t.upper[static_cast<std::size_t>(j)];
        if (b > 0) {
            int exponent = 0;
            std::frexp(b, &exponent);
            // |bj| / |bk| >= 2^(exponent - leadingExponent - 1)
            start = std::max(start, floorDivide(exponent - leadingExponent - 2, k - j) - 1);
        }
    }
    int m = start;
    while (m < start + kPelletScan && !pelletHolds(t, count, k, std::ldexp(1.0, m))) {
        ++m;
    }
    if (m == start + kPelletScan) {
        return kInfinity;
    }
    while (m > kLeastExponent && pelletHolds(t, count, k, std::ldexp(1.0, m - 1))) {
        --m;
    }
    double low = std::ldexp(1.0, m - 1);  // fails (or is the least exponent's)
    double high = std::ldexp(1.0, m);     // holds
    for (int step = 0; step < kPelletBisections; ++step) {
        const double middle = low + (high - low) / 2;
        if (middle <= low || middle >= high) {
            break;
        }
        (pelletHolds(t, count, k, middle) ? high : low) = middle;
    }
    return high;
}

}  // namespace

double multipleRootRadius(const Coefficients& a, int count, const Centre& centre, int k) {
    Taylor t;
    if (!taylorBounds(a, count, centre.at, k, t)) {
        return kInfinity;
    }
    const double rho = leastPelletRadius(t, count, k);
    if (!std::isfinite(rho)) {
        return kInfinity;
    }
    if (centre.error > 0 && !pelletHolds(t, count, k, addUp(rho, multiplyUp(2, centre.error)))) {
        return kInfinity;
    }
    return addUp(rho, centre.error);
}

// False where the theorem cannot be used: two equal centres, or a bound
// beyond the binary64 range.
bool weierstrassCorrections(const Coefficients& a, int count, const Centres& c, Corrections& w) {
    const int n = count - 1;
    const double leading = modulusDown(std::fabs(a[0].re), std::fabs(a[0].im));
    for (int i = 1; i <= n; ++i) {
        const Evaluated p = evaluate(a, count, c[i].at);
        if (!isFinite(p)) {
            return false;
        }
        // |Wi| <= |P(zi)| / |a0| / prod |zi - zj|, each divisor bounded below.
        double magnitude = divideUp(magnitudeUp(p), leading);
        for (int j = 1; j <= n; ++j) {
            const double distance = j == i ? 1.0 : distanceDown(c[i].at, c[j].at);
            if (distance == 0) {
                return false;
            }
            magnitude = divideUp(magnitude, distance);
        }
        w.magnitude[i] = magnitude;
        w.spread[i] = multiplyUp(static_cast<double>(n), magnitude);
        if (!std::isfinite(addUp(w.spread[i], c[i].error))) {
            return false;
        }
    }
    return true;
}

// Two printed disks are apart when the distance of the printed centres,
// bounded below, exceeds the sum of the printed radii, bounded above. Where
// that cannot be shown they are taken to meet: a group taken too large
// still holds as many roots as it has disks.
void groupOverlapping(const Centres& c, int n, RootDisks& disks) {
    for (int i = 1; i <= n; ++i) {
        disks[i].group = i;
        disks[i].meets = 0;
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            const double apart =
                subtractDown(distanceDown(c[i].at, c[j].at), addUp(c[i].error, c[j].error));
            if (apart > addUp(disks[i].radius, disks[j].radius)) {
                continue;
            }
            disks[i].meets |= 1U << static_cast<unsigned>(j);
            disks[j].meets |= 1U << static_cast<unsigned>(i);
            const int kept = std::min(disks[i].group, disks[j].group);
            const int merged = std::max(disks[i].group, disks[j].group);
            for (int k = 1; k <= n; ++k) {
                if (disks[k].group == merged) {
                    disks[k].group = kept;
                }
            }
        }
    }
    for (int i = 1; i <= n; ++i) {
        disks[i].groupSize = 0;
        for (int j = 1; j <= n; ++j) {
            disks[i].groupSize += disks[j].group == disks[i].group ? 1 : 0;
        }
    }
}

int groupCount(const RootDisks& disks, int n) {
    int groups = 0;
    for (int i = 1; i <= n; ++i) {
        groups += disks[i].group == i ? 1 : 0;
    }
    return groups;
}

// The radius of a disk around the printed root i that covers the disks Dj of
// its group: at least |printed root - zi| + |zi - zj| + n |Wj| for each j.
double coveringRadius(const Centres& c, int n, const Corrections& w, const RootDisks& disks,
                      int i) {
    double radius = 0;
    for (int j = 1; j <= n; ++j) {
        if (disks[j].group == disks[i].group) {
            const double reach = addUp(distanceUp(c[i].at, c[j].at), w.spread[j]);
            radius = std::fmax(radius, addUp(reach, c[i].error));
        }
    }
    return radius;
}

// |Wi| / (1 - Si) rounded up, for a disk apart from the others; at most n |Wi|.
double isolatedRadius(const Centres& c, int n, const Corrections& w, int i) {
    double sum = 0;
    for (int j = 1; j <= n; ++j) {
        if (j != i) {
            const double gap = subtractDown(distanceDown(c[i].at, c[j].at), w.spread[i]);
            if (gap == 0) {
                return w.spread[i];
            }
            sum = addUp(sum, divideUp(w.magnitude[j], gap));
        }
    }
    const double margin = subtractDown(1.0, sum);
    return margin == 0 ? w.spread[i] : std::fmin(divideUp(w.magnitude[i], margin), w.spread[i]);
}

namespace {

using DiskRadii = std::array<double, kMaxCoefficients>;

// Grows each disk of a group of two or more to the radius at which it holds
// a root of its own (at least `least`), and groups the disks again, until no
// two groups merge. False where a radius is beyond the binary64 range.
bool growUntilNoGroupsMerge(const Centres& c, int n, const Corrections& w, const DiskRadii& least,
                            const DiskRadii& single, RootDisks& disks) {
    for (bool merged = true; merged;) {
        const int groups = groupCount(disks, n);
        for (int i = 1; i <= n; ++i) {
            if (disks[i].groupSize > 1) {
                const double own = std::fmin(single[i], coveringRadius(c, n, w, disks, i));
                setRadius(disks[i], DiskKind::Simultaneous, std::fmax(least[i], own));
                if (disks[i].kind == DiskKind::None) {
                    return false;
                }
            }
        }
        groupOverlapping(c, n, disks);
        merged = groupCount(disks, n) < groups;
    }
    return true;
}

}  // namespace

// The simultaneous inclusion of Braess and Hadeler. For distinct z1..zn and
// Wi = P(zi) / (a0 prod over j != i of (zi - zj)), Lagrange interpolation at
// the zi gives P(z) = a0 prod(z - zj) (1 + sum of Wj / (z - zj)). So P is a0
// times the characteristic polynomial of A = diag(zj) - W 1^T, whose
// Gershgorin discs |z - (zi - Wi)| <= (n - 1) |Wi| lie in the disks
// Di: |z - zi| <= n |Wi|. Gershgorin's theorem then says that the Di hold
// every root, and that a connected union of m of them apart from the others
// holds exactly m. A single Di of a group need not hold any.
//
// The same count holds for any disks Ei that contain the Di, around other
// centres and of other radii: each connected union of the Di lies in one
// connected union of the Ei, so a connected union of m of the Ei (apart from
// the other Ei, and so from their Di) holds exactly the Di of its m members,
// and with them exactly m roots. The printed disks are such Ei.
//
// So that each disk of a group also holds a root of its own, its radius is
// at least that of a disk around it known to hold one: the single-point
// disk, or a disk that covers every Dj of its group (which together hold as
// many roots as they are), whichever is smaller. Grown so, disks of two
// groups may come to overlap; then the groups are one, and its disks grow
// again, until no more groups merge. Radii only grow, so that ends within n
// rounds.
//
// A disk Di apart from all the others holds one root r, and a smaller disk
// does too. At r, 1 + sum of Wj / (r - zj) = 0 gives
//   |r - zi| = |Wi| / |1 + sum over j != i of Wj / (r - zj)| <= |Wi| / (1 - Si),
// with Si = sum over j != i of |Wj| / (|zi - zj| - n |Wi|), since
// |r - zj| >= |zi - zj| - |r - zi| >= |zi - zj| - n |Wi| > n |Wj| (the disks
// are apart), which also makes Si < (n - 1) / n: the radius |Wi| / (1 - Si)
// is at most n |Wi|, and the smaller disk lies in Di, so it holds r and no
// other root. A disk that stays apart from the grown disks of the groups is
// apart from their Di too, so this holds for it.
//
// A centre at which P is exactly zero (evaluate shows it) has Wi = 0: its Di
// is the point zi, a root. The theorem needs nothing more: apart from the
// others it holds exactly that root (so zi is a simple root), printed with
// radius 0 plus the read-back error; in a group its single-point radius is
// that too, so it stays a point, the root of its own, and one of the m disks
// that hold m roots together.
bool simultaneousDisks(const Coefficients& a, int count, const Centres& c, RootDisks& disks) {
    const int n = count - 1;
    // 1. The corrections |Wi| and the radii n |Wi| of the disks Di, bounded
    //    above; without them (equal centres, overflow) the theorem says nothing.
    Corrections w;
    if (!weierstrassCorrections(a, count, c, w)) {
        return false;
    }
    // 2. Each printed disk holds its Di: at least n |Wi| plus the read-back
    //    error. The single-point radius, a disk known to hold a root, is kept
    //    for step 4.
    DiskRadii least{};   // the disk of n |Wi| around the printed root
    DiskRadii single{};  // the single-point disk, or infinity
    for (int i = 1; i <= n; ++i) {
        least[i] = addUp(w.spread[i], c[i].error);
        NoDiskReason unused = NoDiskReason::Overflow;
        single[i] = singlePointRadius(a, count, c[i], unused);
        setRadius(disks[i], DiskKind::Simultaneous, least[i]);
    }
    // 3. The groups: a connected union of m disks apart from the others
    //    holds exactly m roots.
    groupOverlapping(c, n, disks);
    // 4. Each disk of a group holds a root of its own, and the groups so
    //    grown are apart from each other.
    if (!growUntilNoGroupsMerge(c, n, w, least, single, disks)) {
        return false;
    }
    // 5. A disk apart from all the others holds its one root within the
    //    smaller radius |Wi| / (1 - Si).
    for (int i = 1; i <= n; ++i) {
        if (disks[i].groupSize == 1) {
            setRadius(disks[i], DiskKind::Simultaneous,
                      addUp(isolatedRadius(c, n, w, i), c[i].error));
        }
    }
    return true;
}

namespace {

// Every root lies within the bound B of rootModulusBound of zero, so the disk
// of radius |p| + B around any point p holds every root. A printed radius
// above that is replaced by it: the disk still holds a root, all of them.
//
// The groups stay as they were found with the radii before the cap, and what
// the lines say of them stays true. A capped disk C lies in its disk E before
// the cap (the same centre). E belongs to a group of m disks whose union holds
// exactly m roots: the simultaneous theorem for the disks of a group, and one
// root in a disk shown apart. C lies in that union and holds all n roots, so
// m = n: a capped disk is only ever one of a single group of all n disks, or
// the one disk of a linear equation. The printed disks of that group hold all
// n roots, as its lines say. Every other printed disk holds a root, which lies
// in C too, so C meets each of them: no disk named as meeting it is apart from
// it, and the disks named as apart from E are apart from C. Single-point
// disks make no claim of groups; each capped one holds every root.
void capAtRootBound(const Coefficients& a, int count, const Centres& c, int found,
                    RootDisks& disks) {
    const double bound = rootModulusBound(a, count);
    for (int k = 1; k <= found; ++k) {
        const auto index = static_cast<std::size_t>(k);
        RootDisk& disk = disks[index];
        const double reach =
            addUp(addUp(modulusUp(c[index].at.re, c[index].at.im), c[index].error), bound);
        if (disk.kind == DiskKind::None || !std::isfinite(reach)) {
            continue;
        }
        const Radius capped = roundRadiusUp(reach);
        if (capped.upper < disk.radius) {
            disk.radiusText = capped.text;
            disk.radius = capped.upper;
            disk.byRootBound = true;
        }
    }
}

}  // namespace

}  // namespace secant::inclusion

namespace secant {

using inclusion::Centres;
using inclusion::Coefficients;

RootDisks includePrintedRoots(const CoefficientTable& asRead, const PrintedRoots& roots,
                              int found) {
    RootDisks disks{};
    const int count = asRead.count;
    if (found < 1 || count < 2 || found > count - 1) {
        return disks;
    }
    const Coefficients a = bounds::widened(asRead);
    Centres centres{};
    std::array<bool, kMaxCoefficients> readable{};
    for (int k = 1; k <= found; ++k) {
        const auto index = static_cast<std::size_t>(k);
        readable[index] = inclusion::readCentre(roots[index], centres[index]);
        disks[index].centreRe = centres[index].at.re;
        disks[index].centreIm = centres[index].at.im;
    }
    const bool allReadable = std::all_of(readable.begin() + 1, readable.begin() + found + 1,
                                         [](bool valid) { return valid; });
    if (!allReadable || found < count - 1 ||
        !inclusion::simultaneousDisks(a, count, centres, disks)) {
        for (int k = 1; k <= found; ++k) {
            const auto index = static_cast<std::size_t>(k);
            disks[index].kind = DiskKind::None;
            disks[index].reason = NoDiskReason::NotFinite;
            if (readable[index]) {
                inclusion::singlePointDisk(a, count, centres[index], disks[index]);
            }
        }
    }
    inclusion::capAtRootBound(a, count, centres, found, disks);
    return disks;
}

namespace {

constexpr int kMostSignificant = 17;  // every binary64 value given back
using inclusion::Taylor;
using inclusion::taylorBounds;

// Where the multiple root of leader stands in for the simultaneous
// theorem: its k members as distinct points on a short line from its
// centre c, a step apart that P's Taylor term bk (z - c)^k outweighs the
// rounding of P there by far (2^10 times the first-order level
// 2^-50 sum |ai| |c|^(n-i)), so that their corrections stay about a step.
// (The theorem holds for any distinct points; these only keep its disks
// small.)
double standInStep(const Coefficients& a, int count, Complex64 c, int k) {
    Taylor t;
    if (k < 1 || !taylorBounds(a, count, c, k, t)) {
        return 0;
    }
    const double radius = std::fabs(c.re) + std::fabs(c.im);
    double level = std::fabs(a[0].re) + std::fabs(a[0].im);
    for (int i = 1; i < count; ++i) {
        level = level * radius + (std::fabs(a[static_cast<std::size_t>(i)].re) +
                                  std::fabs(a[static_cast<std::size_t>(i)].im));
    }
    int exponent = 0;
    std::frexp(level * 0x1p-40 / t.leadingDown, &exponent);
    const int m = exponent >= 0 ? (exponent + k - 1) / k : -(-exponent / k);
    return std::fmax(std::ldexp(1.0, m + 1), std::fmax(std::fabs(c.re), std::fabs(c.im)) * 0x1p-40);
}

// cos and sin of 2 pi j / k for k = 2 .. 9 and j = 0 .. k - 1, in that
// order (k's first at (k - 2)(k + 1) / 2), as binary64 constants.
constexpr std::array<std::array<double, 2>, 44> kUnitRoots{{
    {0x1.0000000000000p+0, 0x0.0p+0},                // 2: 0
    {-0x1.0000000000000p+0, 0x0.0p+0},               // 2: 1
    {0x1.0000000000000p+0, 0x0.0p+0},                // 3: 0
    {-0x1.0000000000000p-1, 0x1.bb67ae8584caap-1},   // 3: 1
    {-0x1.0000000000000p-1, -0x1.bb67ae8584caap-1},  // 3: 2
    {0x1.0000000000000p+0, 0x0.0p+0},                // 4: 0
    {0x0.0p+0, 0x1.0000000000000p+0},                // 4: 1
    {-0x1.0000000000000p+0, 0x0.0p+0},               // 4: 2
    {0x0.0p+0, -0x1.0000000000000p+0},               // 4: 3
    {0x1.0000000000000p+0, 0x0.0p+0},                // 5: 0
    {0x1.3c6ef372fe950p-2, 0x1.e6f0e134454ffp-1},    // 5: 1
    {-0x1.9e3779b97f4a8p-1, 0x1.2cf2304755a5ep-1},   // 5: 2
    {-0x1.9e3779b97f4a8p-1, -0x1.2cf2304755a5ep-1},  // 5: 3
    {0x1.3c6ef372fe950p-2, -0x1.e6f0e134454ffp-1},   // 5: 4
    {0x1.0000000000000p+0, 0x0.0p+0},                // 6: 0
    {0x1.0000000000000p-1, 0x1.bb67ae8584caap-1},    // 6: 1
    {-0x1.0000000000000p-1, 0x1.bb67ae8584caap-1},   // 6: 2
    {-0x1.0000000000000p+0, 0x0.0p+0},               // 6: 3
    {-0x1.0000000000000p-1, -0x1.bb67ae8584caap-1},  // 6: 4
    {0x1.0000000000000p-1, -0x1.bb67ae8584caap-1},   // 6: 5
    {0x1.0000000000000p+0, 0x0.0p+0},                // 7: 0
    {0x1.3f3a0e28bedd1p-1, 0x1.904c37505de4bp-1},    // 7: 1
    {-0x1.c7b90e3024582p-3, 0x1.f329c0558e969p-1},   // 7: 2
    {-0x1.cd4bca9cb5c71p-1, 0x1.bc4c04d71abc1p-2},   // 7: 3
    {-0x1.cd4bca9cb5c71p-1, -0x1.bc4c04d71abc1p-2},  // 7: 4
    {-0x1.c7b90e3024582p-3, -0x1.f329c0558e969p-1},  // 7: 5
    {0x1.3f3a0e28bedd1p-1, -0x1.904c37505de4bp-1},   // 7: 6
    {0x1.0000000000000p+0, 0x0.0p+0},                // 8: 0
    {0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bcdp-1},    // 8: 1
    {0x0.0p+0, 0x1.0000000000000p+0},                // 8: 2
    {-0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bcdp-1},   // 8: 3
    {-0x1.0000000000000p+0, 0x0.0p+0},               // 8: 4
    {-0x1.6a09e667f3bcdp-1, -0x1.6a09e667f3bcdp-1},  // 8: 5
    {0x0.0p+0, -0x1.0000000000000p+0},               // 8: 6
    {0x1.6a09e667f3bcdp-1, -0x1.6a09e667f3bcdp-1},   // 8: 7
    {0x1.0000000000000p+0, 0x0.0p+0},                // 9: 0
    {0x1.8836fa2cf5039p-1, 0x1.491b7523c161dp-1},    // 9: 1
    {0x1.63a1a7e0b738ap-3, 0x1.f838b8c811c17p-1},    // 9: 2
    {-0x1.0000000000000p-1, 0x1.bb67ae8584caap-1},   // 9: 3
    {-0x1.e11f642522d1cp-1, 0x1.5e3a8748a0bf5p-2},   // 9: 4
    {-0x1.e11f642522d1cp-1, -0x1.5e3a8748a0bf5p-2},  // 9: 5
    {-0x1.0000000000000p-1, -0x1.bb67ae8584caap-1},  // 9: 6
    {0x1.63a1a7e0b738ap-3, -0x1.f838b8c811c17p-1},   // 9: 7
    {0x1.8836fa2cf5039p-1, -0x1.491b7523c161dp-1},   // 9: 8
}};

// The members stand in at the k-th roots of unity about the centre, scaled
// to the step or to how far the members themselves were, whichever is more.
void standIn(const Coefficients& a, int count, const Centres& c, int n,
             const std::array<int, kMaxCoefficients>& multipleOf, int leader, int k, double spread,
             PrintedRoots& stand) {
    const Complex64 centre = c[static_cast<std::size_t>(leader)].at;
    const double step = std::fmax(std::fmax(standInStep(a, count, centre, k), spread), 0x1p-1000);
    const std::size_t first = static_cast<std::size_t>((k - 2) * (k + 1) / 2);
    std::size_t member = 0;
    for (int j = 1; j <= n; ++j) {
        if (multipleOf[static_cast<std::size_t>(j)] == leader) {
            const auto& unit = kUnitRoots[first + member++];
            stand[static_cast<std::size_t>(j)] = {
                bounds::formatSignificant(centre.re + step * unit[0], kMostSignificant),
                bounds::formatSignificant(centre.im + step * unit[1], kMostSignificant)};
        }
    }
}

// The disks of the members of each multiple root: its disk of exactly k
// roots, one group of k.
void setMultipleDisks(const Centres& c, int n, const std::array<int, kMaxCoefficients>& multipleOf,
                      const std::array<double, kMaxCoefficients>& radius, RootDisks& disks) {
    for (int i = 1; i <= n; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const int leader = multipleOf[index];
        if (leader == 0) {
            continue;
        }
        RootDisk& disk = disks[index];
        disk = RootDisk{};
        inclusion::setRadius(disk, DiskKind::Simultaneous,
                             radius[static_cast<std::size_t>(leader)]);
        disk.centreRe = c[index].at.re;
        disk.centreIm = c[index].at.im;
        disk.group = leader;
        for (int j = 1; j <= n; ++j) {
            if (multipleOf[static_cast<std::size_t>(j)] == leader && j != i) {
                disk.meets |= 1U << static_cast<unsigned>(j);
            }
        }
        disk.groupSize = 1 + std::popcount(disk.meets);
        disk.multiplicity = disk.groupSize;
    }
}

// Pellet's disk of exactly one root about each root not of a multiple root.
RootDisks singleRootDisks(const Coefficients& a, int count, const Centres& c,
                          const std::array<int, kMaxCoefficients>& multipleOf) {
    RootDisks disks{};
    for (int i = 1; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (multipleOf[index] != 0) {
            continue;
        }
        inclusion::setRadius(disks[index], DiskKind::Simultaneous,
                             inclusion::multipleRootRadius(a, count, c[index], 1));
        disks[index].centreRe = c[index].at.re;
        disks[index].centreIm = c[index].at.im;
        disks[index].group = i;
    }
    return disks;
}

// Every disk found, and apart from every disk but those of its own multiple root.
bool allApart(const Centres& c, int n, const std::array<int, kMaxCoefficients>& multipleOf,
              const RootDisks& disks) {
    for (int i = 1; i <= n; ++i) {
        const auto first = static_cast<std::size_t>(i);
        if (disks[first].kind == DiskKind::None) {
            return false;
        }
        for (int j = i + 1; j <= n; ++j) {
            const auto second = static_cast<std::size_t>(j);
            if (multipleOf[first] != 0 && multipleOf[first] == multipleOf[second]) {
                continue;
            }
            const double apart =
                bounds::subtractDown(bounds::distanceDown(c[first].at, c[second].at),
                                     bounds::addUp(c[first].error, c[second].error));
            if (!(apart > bounds::addUp(disks[first].radius, disks[second].radius))) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

RootDisks includeRefinedRoots(const CoefficientTable& asRead, const PrintedRoots& roots,
                              const std::array<int, kMaxCoefficients>& multipleOf,
                              const std::array<double, kMaxCoefficients>& spread, bool& confirmed) {
    confirmed = true;
    const int count = asRead.count;
    const int n = count - 1;
    const Coefficients a = bounds::widened(asRead);
    Centres centres{};
    bool allReadable = true;
    for (int k = 1; k <= n; ++k) {
        allReadable = inclusion::readCentre(roots[static_cast<std::size_t>(k)],
                                            centres[static_cast<std::size_t>(k)]) &&
                      allReadable;
    }
    PrintedRoots stand = roots;
    std::array<double, kMaxCoefficients> radius{};
    for (int leader = 1; leader <= n; ++leader) {
        const auto l = static_cast<std::size_t>(leader);
        if (multipleOf[l] != leader) {
            continue;
        }
        int k = 0;
        for (int j = 1; j <= n; ++j) {
            k += multipleOf[static_cast<std::size_t>(j)] == leader ? 1 : 0;
        }
        radius[l] = allReadable ? inclusion::multipleRootRadius(a, count, centres[l], k)
                                : bounds::kInfinity;
        if (!std::isfinite(radius[l])) {
            confirmed = false;
            return {};
        }
        standIn(a, count, centres, n, multipleOf, leader, k, spread[l], stand);
    }
    // With a multiple root, first Pellet's disk of one root about each other
    // root: where every disk is apart from every other, each holds exactly
    // its count.
    const bool anyMultiple =
        std::any_of(multipleOf.begin(), multipleOf.end(), [](int leader) { return leader != 0; });
    if (anyMultiple) {
        RootDisks disks = singleRootDisks(a, count, centres, multipleOf);
        setMultipleDisks(centres, n, multipleOf, radius, disks);
        if (allApart(centres, n, multipleOf, disks)) {
            inclusion::capAtRootBound(a, count, centres, n, disks);
            return disks;
        }
    }
    // Otherwise the simultaneous theorem, the members standing in.
    RootDisks disks = includePrintedRoots(asRead, stand, n);
    setMultipleDisks(centres, n, multipleOf, radius, disks);
    // A multiple root's disk is apart from every other, and no other disk is
    // of a group with its members' stand-ins.
    for (int i = 1; i <= n; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (multipleOf[index] != 0 || disks[index].kind == DiskKind::None) {
            continue;
        }
        for (int j = 1; j <= n; ++j) {
            const auto other = static_cast<std::size_t>(j);
            if (multipleOf[other] == 0) {
                continue;
            }
            const double apart =
                bounds::subtractDown(bounds::distanceDown(centres[index].at, centres[other].at),
                                     bounds::addUp(centres[index].error, centres[other].error));
            const bool sameGroup = disks[index].kind == DiskKind::Simultaneous &&
                                   ((disks[index].meets >> static_cast<unsigned>(j)) & 1U) != 0;
            const bool joined =
                disks[index].groupSize > 1 && disks[index].group == disks[other].group;
            if (sameGroup || joined ||
                !(apart > bounds::addUp(disks[index].radius, disks[other].radius))) {
                confirmed = false;
                return disks;
            }
        }
    }
    inclusion::capAtRootBound(a, count, centres, n, disks);
    return disks;
}

RootDisks includeRoots(const CoefficientTable& asRead,
                       const std::array<Complex, kMaxCoefficients>& roots, int found) {
    PrintedRoots printed{};
    for (int k = 1; k <= found && k < kMaxCoefficients; ++k) {
        const auto index = static_cast<std::size_t>(k);
        printed[index] = {bounds::printedPart(roots[index].real()),
                          bounds::printedPart(roots[index].imag())};
    }
    return includePrintedRoots(asRead, printed, found);
}

}  // namespace secant
