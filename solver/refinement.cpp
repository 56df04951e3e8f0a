#include "solver/refinement.hpp"

#include <cmath>
#include <limits>

#include "solver/start_points.hpp"

namespace secant {

namespace {

// Complex binary64 arithmetic written out, so that no library routine
// (std::complex's division or abs) decides a bit.
Complex64 add(Complex64 a, Complex64 b) {
    return {a.re + b.re, a.im + b.im};
}

Complex64 subtract(Complex64 a, Complex64 b) {
    return {a.re - b.re, a.im - b.im};
}

Complex64 multiply(Complex64 a, Complex64 b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// a / b with b scaled by a power of two first (exactly), so that its
// squared modulus neither overflows nor underflows; b must not be zero.
Complex64 divide(Complex64 a, Complex64 b) {
    int exponent = 0;
    std::frexp(std::fmax(std::fabs(b.re), std::fabs(b.im)), &exponent);
    const Complex64 s{std::ldexp(b.re, -exponent), std::ldexp(b.im, -exponent)};
    const double n = s.re * s.re + s.im * s.im;
    const Complex64 q{(a.re * s.re + a.im * s.im) / n, (a.im * s.re - a.re * s.im) / n};
    return {std::ldexp(q.re, -exponent), std::ldexp(q.im, -exponent)};
}

bool isZero(Complex64 z) {
    return z.re == 0 && z.im == 0;
}

bool isFinite(Complex64 z) {
    return std::isfinite(z.re) && std::isfinite(z.im);
}

// A size of z (within a factor sqrt 2 of |z|), enough to compare corrections.
double size(Complex64 z) {
    return std::fmax(std::fabs(z.re), std::fabs(z.im));
}

using Table = std::array<Complex64, kMaxCoefficients>;

struct Values {
    Complex64 p;
    Complex64 derivative;
};

// P(z) and P'(z) by Horner's scheme.
Values evaluate(const Table& a, int count, Complex64 z) {
    Values v{a[0], {0, 0}};
    for (int i = 1; i < count; ++i) {
        v.derivative = add(multiply(z, v.derivative), v.p);
        v.p = add(multiply(z, v.p), a[static_cast<std::size_t>(i)]);
    }
    return v;
}

// The largest |Wi| = |P(zi) / (a0 prod over j != i of (zi - zj))|, 0 where
// P(zi) is 0; infinity where a root coincides with another where P is not 0,
// or a value is not finite.
double largestCorrection(const Table& a, int count, const Table& z) {
    const int n = count - 1;
    double largest = 0;
    for (int i = 1; i <= n; ++i) {
        const Complex64 p = evaluate(a, count, z[static_cast<std::size_t>(i)]).p;
        if (isZero(p)) {
            continue;  // a root, whether or not another one coincides with it
        }
        Complex64 w = divide(p, a[0]);
        for (int j = 1; j <= n; ++j) {
            const Complex64 d =
                subtract(z[static_cast<std::size_t>(i)], z[static_cast<std::size_t>(j)]);
            if (j != i) {
                if (isZero(d)) {
                    return std::numeric_limits<double>::infinity();
                }
                w = divide(w, d);
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
        const Values v = evaluate(a, count, z[k]);
        if (isZero(v.p) || isZero(v.derivative)) {
            continue;  // a root already, or no step to take here
        }
        const Complex64 newton = divide(v.p, v.derivative);
        Complex64 sum{0, 0};
        for (int j = 1; j <= n; ++j) {
            const Complex64 d = subtract(z[k], z[static_cast<std::size_t>(j)]);
            if (j != i && !isZero(d)) {
                sum = add(sum, divide({1, 0}, d));
            }
        }
        const Complex64 denominator = subtract({1, 0}, multiply(newton, sum));
        const Complex64 step = isZero(denominator) ? newton : divide(newton, denominator);
        const Complex64 next = subtract(z[k], step);
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
    Table a{};
    Table z{};
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        a[k] = {asRead.coefficients[k].re, asRead.coefficients[k].im};
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
        } else if (++sinceLeast == kRefinementStagnation) {
            refined.converged = std::isfinite(least);
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
