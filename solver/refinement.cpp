#include "solver/refinement.hpp"

#include <cmath>
#include <limits>

#include "solver/bounds/horner.hpp"
#include "solver/start_points.hpp"

namespace secant {

namespace {

// A size of z (within a factor sqrt 2 of |z|), enough to compare corrections.
double size(Complex64 z) {
    return std::fmax(std::fabs(z.re), std::fabs(z.im));
}

using Table = bounds::Coefficients;

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

// One Gauss-Seidel step of Aberth-Ehrlich: zi -= N / (1 - N S), with the
// Newton correction N = P / P' and S the sum of 1 / (zi - zj).
void aberthStep(const Table& a, int count, Table& z) {
    const int n = count - 1;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const bounds::ValueAndDerivative v = bounds::valueAndDerivative(a, count, z[k]);
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
            z[k] = next;
        }
    }
}

// Where a start value is missing, not finite or taken by one before it: a
// point at the next angle of the start points' table on the circle of the
// Fujiwara bound.
void separateStarts(const CoefficientTable& asRead, int found, Table& z) {
    const int n = asRead.count - 1;
    const RootRadii radii = estimateRootRadii(asRead);
    const double radius =
        radii.count > 0 ? radii.radius[static_cast<std::size_t>(radii.count - 1)] : 1.0;
    int moved = 0;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        bool taken = i > found || !isFinite(z[k]);
        for (int j = 1; j < i && !taken; ++j) {
            taken = z[k].re == z[static_cast<std::size_t>(j)].re &&
                    z[k].im == z[static_cast<std::size_t>(j)].im;
        }
        if (taken) {
            const StartPair point = otherStartPair(RootRadii{{radius}, 1}, ++moved);
            z[k] = {point.x0.re, point.x0.im};
        }
    }
}

}  // namespace

RefinedRoots refineRoots(const CoefficientTable& asRead,
                         const std::array<Complex, kMaxCoefficients>& listed, int found) {
    const int count = asRead.count;
    const Table a = bounds::widened(asRead);
    Table z{};
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        z[k] = {listed[k].re, listed[k].im};
    }
    separateStarts(asRead, found, z);
    RefinedRoots refined;
    Table best = z;
    double least = largestCorrection(a, count, z);
    int sinceLeast = 0;
    for (int step = 1; step <= kMaxRefinementIterations && least > 0; ++step) {
        aberthStep(a, count, z);
        refined.iterations = step;
        const double correction = largestCorrection(a, count, z);
        if (correction < least) {
            least = correction;
            best = z;
            sinceLeast = 0;
        } else if (std::isfinite(least) && ++sinceLeast == kRefinementStagnation) {
            // Corrections beyond the range do not say the disks stopped
            // shrinking: such steps go on to the limit.
            refined.converged = true;
            break;
        }
    }
    refined.converged = refined.converged || least == 0;
    for (int i = 1; i < count; ++i) {
        refined.roots[static_cast<std::size_t>(i)] = best[static_cast<std::size_t>(i)];
    }
    return refined;
}

}  // namespace secant
