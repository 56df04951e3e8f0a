#include "solver/refinement.hpp"

#include <cmath>
#include <limits>

#include "solver/bounds/directed.hpp"
#include "solver/bounds/horner.hpp"
#include "solver/start_points.hpp"

namespace secant {

namespace {

using Table = bounds::Coefficients;

// A size of z (within a factor sqrt 2 of |z|), enough to compare corrections.
double size(Complex64 z) {
    return std::fmax(std::fabs(z.re), std::fabs(z.im));
}

// The largest |Wi| = |P(zi) / (a0 prod over j != i of (zi - zj))|, 0 where
// P(zi) is 0; infinity where a root coincides with another where P is not 0,
// or a value is not finite.
double largestCorrection(const Table& a, int count, const Table& z) {
    const int n = count - 1;
    double largest = 0;
    for (int i = 1; i <= n; ++i) {
        const Complex64 p =
            bounds::valueAndDerivative(a, count, z[static_cast<std::size_t>(i)]).value;
        if (isZero(p)) {
            continue;  // a root, whether or not another one coincides with it
        }
        Complex64 w = p / a[0];
        for (int j = 1; j <= n; ++j) {
            const Complex64 d = z[static_cast<std::size_t>(i)] - z[static_cast<std::size_t>(j)];
            if (j != i) {
                if (isZero(d)) {
                    return std::numeric_limits<double>::infinity();
                }
                w = w / d;
            }
        }
        if (!isFinite(w)) {
            return std::numeric_limits<double>::infinity();
        }
        largest = std::fmax(largest, size(w));
    }
    return largest;
}

// The rounding error of Horner's scheme in binary64 at z, to first order:
// 4 n u times the polynomial of the coefficients' magnitudes at |z| (each
// step rounds a complex product and a sum, a few units of u each), with
// |re| + |im| for each modulus. A level to stop at, not a bound to rely on.
double roundingLevel(const Table& a, int count, Complex64 z) {
    const double radius = std::fabs(z.re) + std::fabs(z.im);
    double level = std::fabs(a[0].re) + std::fabs(a[0].im);
    for (int i = 1; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        level = level * radius + (std::fabs(a[k].re) + std::fabs(a[k].im));
    }
    return level * (count - 1) * 0x1p-51;
}

// P at z cannot be told from zero: its computed value is within the level
// of its rounding error (or zero).
bool settledAt(const Table& a, int count, Complex64 z, Complex64 value) {
    return std::fmax(std::fabs(value.re), std::fabs(value.im)) <= roundingLevel(a, count, z);
}

struct StepResult {
    bool allSettled = true;  // every root settled where the step found it
    bool moved = false;      // some root not settled moved
};

// One Gauss-Seidel step of Aberth-Ehrlich: zi -= N / (1 - N S), with the
// Newton correction N = P / P' and S the sum of 1 / (zi - zj). Marks each
// root settled or not where the step finds it.
StepResult aberthStep(const Table& a, int count, Table& z, RefinedRoots& refined) {
    const int n = count - 1;
    StepResult result;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const bounds::ValueAndDerivative v = bounds::valueAndDerivative(a, count, z[k]);
        refined.settled[k] = isFinite(v.value) && settledAt(a, count, z[k], v.value);
        result.allSettled = result.allSettled && refined.settled[k];
        if (isZero(v.value) || isZero(v.derivative)) {
            continue;  // a root already, or no step to take here
        }
        const Complex64 newton = v.value / v.derivative;
        Complex64 sum{0, 0};
        for (int j = 1; j <= n; ++j) {
            const Complex64 d = z[k] - z[static_cast<std::size_t>(j)];
            if (j != i && !isZero(d)) {
                sum = sum + Complex64{1, 0} / d;
            }
        }
        const Complex64 denominator = Complex64{1, 0} - newton * sum;
        const Complex64 step = isZero(denominator) ? newton : newton / denominator;
        const Complex64 next = z[k] - step;
        if (isFinite(next)) {
            result.moved =
                result.moved || (!refined.settled[k] && (next.re != z[k].re || next.im != z[k].im));
            z[k] = next;
        }
    }
    return result;
}

// The multiplicity of 0 as a root: the trailing coefficients that are zero.
int zeroRoots(const CoefficientTable& table) {
    int zeros = 0;
    for (int i = table.count - 1; i > 0; --i) {
        const Complex a = table.coefficients[static_cast<std::size_t>(i)];
        if (a.re != 0 || a.im != 0) {
            break;
        }
        ++zeros;
    }
    return zeros;
}

// Where a start value is missing, not finite or taken by one before it: a
// point at the next angle of the start points' table on the circle of the
// Fujiwara bound. Zeros stay, as many as 0 is a root; where fewer were
// listed, the starts nearest 0 become 0.
void separateStarts(const CoefficientTable& asRead, int found, Table& z) {
    const int n = asRead.count - 1;
    const RootRadii radii = estimateRootRadii(asRead);
    const double radius =
        radii.count > 0 ? radii.radius[static_cast<std::size_t>(radii.count - 1)] : 1.0;
    const int zeros = zeroRoots(asRead);
    int zerosKept = 0;
    int moved = 0;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        bool taken = i > found || !isFinite(z[k]);
        if (!taken && isZero(z[k])) {
            taken = zerosKept == zeros;
            zerosKept += taken ? 0 : 1;
        } else {
            for (int j = 1; j < i && !taken; ++j) {
                taken = z[k].re == z[static_cast<std::size_t>(j)].re &&
                        z[k].im == z[static_cast<std::size_t>(j)].im;
            }
        }
        if (taken) {
            const StartPair point = otherStartPair(RootRadii{{radius}, 1}, ++moved);
            z[k] = {point.x0.re, point.x0.im};
        }
    }
    for (; zerosKept < zeros; ++zerosKept) {
        int nearest = 0;
        for (int i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (!isZero(z[k]) &&
                (nearest == 0 || size(z[k]) < size(z[static_cast<std::size_t>(nearest)]))) {
                nearest = i;
            }
        }
        z[static_cast<std::size_t>(nearest)] = {0, 0};
    }
}

// The iteration from the starts z: until a step finds every root settled,
// or moves none that is not (it can do no more), or after at most
// kMaxRefinementIterations steps, keeping then the step whose largest
// correction was least.
RefinedRoots iterate(const CoefficientTable& asRead, Table z) {
    const int count = asRead.count;
    const Table a = bounds::widened(asRead);
    RefinedRoots refined;
    Table best = z;
    double least = std::numeric_limits<double>::infinity();
    RefinedRoots bestSettled;
    for (int step = 1; step <= kMaxRefinementIterations; ++step) {
        // 1. One step from the roots `before`, which also tells where each of
        //    them is settled.
        const Table before = z;
        const StepResult result = aberthStep(a, count, z, refined);
        // 2. Every root settled where the step found it: `before` are the
        //    roots, and the iteration has converged.
        if (result.allSettled) {
            best = before;
            bestSettled = refined;
            refined.converged = true;
            break;
        }
        // 3. Otherwise the step counts, and `before` is the best so far
        //    where its largest correction is the least yet.
        refined.iterations = step;
        const double correction = largestCorrection(a, count, before);
        if (correction < least || step == 1) {
            least = correction;
            best = before;
            bestSettled = refined;
        }
        // 4. A step that moved no root that is not settled can do no more.
        if (!result.moved) {
            break;
        }
    }
    // 5. The roots are the best step's, settled where that step found them.
    refined.settled = bestSettled.settled;
    for (int i = 1; i < count; ++i) {
        refined.roots[static_cast<std::size_t>(i)] = best[static_cast<std::size_t>(i)];
    }
    return refined;
}

}  // namespace

RefinedRoots refineRoots(const CoefficientTable& asRead,
                         const std::array<Complex, kMaxCoefficients>& listed, int found) {
    Table z{};
    for (int i = 0; i < asRead.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        z[k] = {listed[k].re, listed[k].im};
    }
    separateStarts(asRead, found, z);
    return iterate(asRead, z);
}

RefinedRoots refineRootsAfresh(const CoefficientTable& asRead) {
    const int n = asRead.count - 1;
    const RootRadii radii = estimateRootRadii(asRead);
    Table z{};
    int next = 1 + zeroRoots(asRead);  // roots 1 .. zeros stay 0
    int moved = 0;
    for (int e = 0; e < radii.count && next <= n; ++e) {
        const auto edge = static_cast<std::size_t>(e);
        // The Fujiwara bound (no roots of its own) takes whatever is left.
        const int roots = radii.roots[edge] > 0 ? radii.roots[edge] : n;
        for (int r = 0; r < roots && next <= n; ++r) {
            const StartPair point = otherStartPair(RootRadii{{radii.radius[edge]}, 1}, ++moved);
            z[static_cast<std::size_t>(next++)] = {point.x0.re, point.x0.im};
        }
    }
    for (; next <= n; ++next) {
        const StartPair point = otherStartPair(RootRadii{{1.0}, 1}, ++moved);
        z[static_cast<std::size_t>(next)] = {point.x0.re, point.x0.im};
    }
    return iterate(asRead, z);
}

// ---------------------------------------------------------------------------
// Multiple roots.
//
// A root c of multiplicity k is a simple root of P^(k-1), which Newton's
// method finds to binary64 accuracy where a simultaneous iteration resolves
// the k roots only to about the k-th root of the rounding. It is exact where
// P .. P^(k-1) are exactly 0 at c and P^(k) is not; it is one within the
// rounding of the coefficients where each Taylor coefficient
// bj = P^(j)(c) / j!, j < k, is no larger than rounding every coefficient
// by its binary32 unit roundoff can make it, and bk is larger:
//   |bj| <= 2^-24 sum over i of |ai| C(n - i, j) |c|^(n - i - j),
// the sum being the j-th derivative of the polynomial of the |ai| at |c|,
// over j!. (A k-fold root shown so still needs its disk of k roots to be
// printed as one: the disks decide, the test only chooses.)

namespace {

constexpr int kNewtonSteps = 60;
constexpr double kNegligiblePart = 0x1p-20;
constexpr double kCoefficientRoundoff = 0x1p-24;
// Rounding is not the whole of the difference: allow a few times it.
constexpr double kRoundingAllowance = 4;

// The multiplicity of x as an exact root: the first j whose P^(j)(x) is not
// shown to be exactly 0, where it is shown not to be 0 (else 0).
int exactMultiplicity(const Table& a, int count, Complex64 x) {
    for (int j = 0; j < count; ++j) {
        int derivedCount = 0;
        const Table d = bounds::derivative(a, count, j, derivedCount);
        const bounds::Evaluated p = bounds::evaluate(d, derivedCount, x);
        if (!(p.error == 0 && isZero(p.value))) {
            return bounds::isFinite(p) && bounds::magnitudeDown(p) > 0 ? j : 0;
        }
    }
    return 0;
}

// The multiplicity within the rounding of the coefficients: the first j
// whose bj is beyond what that rounding can make of it (0 where a value is
// not finite).
int roundingMultiplicity(const Table& a, int count, Complex64 c) {
    Table magnitudes{};
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        magnitudes[index] = {bounds::modulusUp(a[index].re, a[index].im), 0};
    }
    const Complex64 radius{bounds::modulusUp(c.re, c.im), 0};
    for (int j = 0; j < count; ++j) {
        int derivedCount = 0;
        const Table d = bounds::derivative(a, count, j, derivedCount);
        const Table dm = bounds::derivative(magnitudes, count, j, derivedCount);
        const bounds::Evaluated p = bounds::evaluate(d, derivedCount, c);
        const bounds::Evaluated room = bounds::evaluate(dm, derivedCount, radius);
        if (!bounds::isFinite(p)) {
            return 0;
        }
        if (bounds::magnitudeDown(p) > kRoundingAllowance * kCoefficientRoundoff * room.value.re) {
            return j;
        }
    }
    return 0;
}

// Newton's method on Q = P^(k-1) from `near`, while its steps shrink.
Complex64 rootOfDerivative(const Table& a, int count, Complex64 near, int k) {
    int derivedCount = 0;
    const Table q = bounds::derivative(a, count, k - 1, derivedCount);
    Complex64 c = near;
    double previous = std::numeric_limits<double>::infinity();
    for (int step = 0; step < kNewtonSteps; ++step) {
        const bounds::ValueAndDerivative v = bounds::valueAndDerivative(q, derivedCount, c);
        if (isZero(v.value) || isZero(v.derivative)) {
            break;
        }
        const Complex64 change = v.value / v.derivative;
        const double length = size(change);
        if (!isFinite(change) || !(length < previous)) {
            break;
        }
        c = c - change;
        previous = length;
    }
    return c;
}

}  // namespace

MultipleRoot findMultipleRoot(const CoefficientTable& asRead, Complex64 near, int k) {
    const int count = asRead.count;
    const Table a = bounds::widened(asRead);
    MultipleRoot multiple;
    if (k < 2 || k > count - 1) {
        return multiple;
    }
    const Complex64 c = rootOfDerivative(a, count, near, k);
    if (!isFinite(c)) {
        return multiple;
    }
    // The nearest binary32 point, a part far below the other taken as 0.
    Complex64 single{static_cast<float>(c.re), static_cast<float>(c.im)};
    if (std::fabs(single.im) <= std::fabs(single.re) * kNegligiblePart) {
        single.im = 0;
    } else if (std::fabs(single.re) <= std::fabs(single.im) * kNegligiblePart) {
        single.re = 0;
    }
    for (const Complex64 candidate : {c, single}) {
        const int m = exactMultiplicity(a, count, candidate);
        if (m >= 2) {
            return {true, true, candidate, m};
        }
    }
    const int m = roundingMultiplicity(a, count, c);
    if (m >= 2) {
        return {true, false, c, m};
    }
    return multiple;
}

}  // namespace secant
