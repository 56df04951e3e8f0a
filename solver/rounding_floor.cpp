#include "solver/rounding_floor.hpp"

#include <cmath>
#include <limits>

namespace secant {

namespace {

// Bounds in binary64 under round to nearest: the neighbour of a rounded
// result away from zero lies beyond the exact one, so one nextafter after
// each operation on nonnegative operands gives an upper bound (a lower
// bound towards zero).
constexpr double kInfinity = std::numeric_limits<double>::infinity();

double up(double rounded) {
    return std::nextafter(rounded, kInfinity);
}

double addUp(double a, double b) {
    const double s = a + b;
    return s == 0 ? 0.0 : up(s);
}

double multiplyUp(double a, double b) {
    return a == 0 || b == 0 ? 0.0 : up(a * b);
}

double down(double rounded) {
    return rounded > 0 ? std::nextafter(rounded, 0.0) : 0.0;
}

// A lower bound of |z|: the modulus of the parts rounded down, and at least
// the larger part where the squares underflow.
double modulusDown(Complex z) {
    const double a = std::fabs(double{z.re});
    const double b = std::fabs(double{z.im});
    const double squares = down(down(a * a) + down(b * b));  // a*a, b*b exact below 2^106
    return std::fmax(down(std::sqrt(squares)), std::fmax(a, b));
}

// Binary32 rounds with |single(v) - v| <= u |single(v)| where the result is
// normal, and by at most half the subnormal step below that. The extended
// format rounds a difference of a binary32 value and an exact product of two
// (never below its normal range) with |ext(v) - v| <= 2^-64 |ext(v)|, and
// |ext(v)| <= |m| + |b d| (1 + 2^-64) bounds that by 2^-63 (|m| + |b d|).
constexpr double kSingleUnit = 0x1p-24;
constexpr double kExtendedUnit = 0x1p-63;
constexpr double kSingleSubnormalHalfStep = 0x1p-150;

double magnitude(float value) {
    return std::fabs(double{value});
}

}  // namespace

// Horner's scheme as evaluatePolynomial runs it: t = acc, p = x * t,
// acc = a[i] + p, with, for x = a + bi and t = c + di,
//   p = (single(m1 - b d), single(m2 + a d)),  m1 = single(a c), m2 = single(b c),
// and each part of a[i] + p rounded once to binary32 (a sum of two binary32
// values rounded to 64 bits and then to 24 is rounded once). Every rounding
// is bounded as above, so the step errs from a[i] + x t by at most
//   l = u (|m1| + |m2| + |pr| + |pi| + |accr| + |acci|)
//       + 2^-63 (|m1| + |b||d| + |m2| + |a||d|) + 6 subnormal half-steps,
// and with e = computed - exact, e_i = l_i + x e_(i-1), e_0 = 0:
// |e_i| <= (|a| + |b|) |e_(i-1)| + l_i, evaluated rounding up.
double horner32ErrorBound(const CoefficientTable& table, Complex x) {
    const double xMagnitude = addUp(magnitude(x.re), magnitude(x.im));  // >= |x|
    Complex acc = table.coefficients[0];
    double error = 0;
    for (int i = 1; i < table.count; ++i) {
        const Complex t = acc;
        const Complex p = x * t;
        acc = table.coefficients[static_cast<std::size_t>(i)] + p;
        const double c = double{t.re};
        const double m1 = magnitude(static_cast<float>(double{x.re} * c));  // exact, then rounded
        const double m2 = magnitude(static_cast<float>(double{x.im} * c));
        const double bd = magnitude(x.im) * magnitude(t.im);  // exact in binary64
        const double ad = magnitude(x.re) * magnitude(t.im);
        double single = addUp(addUp(m1, m2), addUp(magnitude(p.re), magnitude(p.im)));
        single = addUp(single, addUp(magnitude(acc.re), magnitude(acc.im)));
        const double extended = addUp(addUp(m1, bd), addUp(m2, ad));
        double local = addUp(multiplyUp(kSingleUnit, single), multiplyUp(kExtendedUnit, extended));
        local = addUp(local, 6 * kSingleSubnormalHalfStep);
        error = addUp(multiplyUp(xMagnitude, error), local);
    }
    if (!std::isfinite(acc.re) || !std::isfinite(acc.im)) {
        return kInfinity;
    }
    return error;  // infinity too where the bound overflowed
}

bool cannotBeToldFromZero(const CoefficientTable& table, Complex x) {
    const double bound = horner32ErrorBound(table, x);
    return std::isfinite(bound) && modulusDown(evaluatePolynomial(table, x)) <= bound;
}

}  // namespace secant
