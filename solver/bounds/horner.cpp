#include "solver/bounds/horner.hpp"

#include <cfloat>
#include <cmath>

#include "solver/bounds/binary64.hpp"
#include "solver/bounds/directed.hpp"

namespace secant::bounds {

namespace {

// A product below DBL_MIN loses at most half the subnormal step 2^-1074.
constexpr double kSubnormalStep = 0x1p-1074;

// The running bound of both schemes below. With ei the error of the
// computed yi, the exact step yi = ai + x y(i-1) and its computed
// counterpart, which errs from ai + x (computed y(i-1)) by at most li,
// give ei = (that error) + x e(i-1): |ei| <= |x| |e(i-1)| + li with e0 = 0,
// evaluated rounding up, with xMagnitude >= |x|.
double nextErrorBound(double error, double xMagnitude, double local) {
    return addUp(multiplyUp(xMagnitude, error), local);
}

}  // namespace

Coefficients widened(const CoefficientTable& table) {
    Coefficients a{};
    for (int i = 0; i < table.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        a[k] = {table.coefficients[k].re, table.coefficients[k].im};
    }
    return a;
}

// P(x) in binary64 by Horner's scheme, with a running bound of its rounding
// error (after Higham, Accuracy and Stability of Numerical Algorithms, 5.1,
// carried over to complex arithmetic with the magnitudes of the parts).
//
// The exact scheme is y0 = a0, yi = ai + x y(i-1), yn = P(x). The computed
// one forms, from the computed t = y^(i-1),
//   m1 = round(xr tr), m2 = round(xi ti), m3 = round(xr ti), m4 = round(xi tr),
//   s = (round(m1 - m2), round(m3 + m4)),   y^i = (round(ar + sr), round(ai + si)).
// Each rounding of a sum or difference errs by at most u times the rounded
// value (exact sums in the subnormal range included). A product errs by at
// most u |m| where |m| >= DBL_MIN, by nothing when a factor is zero, and by
// at most 2^-1075 < 2^-1074 otherwise (gradual underflow). So
//   |y^i - (ai + x t)| <= u (|m1| + |m2| + |m3| + |m4| + |sr| + |si| + |y^ir| + |y^ii|)
//                         + (2^-1074 for each product that underflowed) =: li,
// and with ei = y^i - yi = (y^i - (ai + x t)) + x e(i-1):
//   |ei| <= (|xr| + |xi|) |e(i-1)| + li,   e0 = 0.
// The bound E is this recurrence evaluated with every step rounded up.
//
// Where every rounding of the scheme is shown to be exact, the computed
// value is P(x) itself; if it is zero, x is a root and E is 0. (A nonzero
// exact value keeps its bound E, as it always has: dropping it would move
// printed radii by units in their sixth digit and say nothing new.)
//
// A sum is shown exact by Knuth's TwoSum: for binary64 a, b whose rounded
// sum s is finite, s - a rounds to bb and (a - (s - bb)) + (b - bb) is the
// exact a + b - s, with no condition on underflow (Knuth, The Art of
// Computer Programming 2, 4.2.2, Theorem B). A product by Dekker's
// TwoProduct with Veltkamp's splitting: x = xh + xl exactly with xh, xl of
// at most 26 significant bits, and ((xh yh - p) + xh yl + xl yh) + xl yl is
// the exact x y - p with every step exact, where nothing overflows and the
// exponents of x and y add up to at least -970 (Dekker 1971; Muller et al.,
// Handbook of Floating-Point Arithmetic, 2018, 4.4.2). Both factors between
// 2^-480 and 2^480 in magnitude meet that; beyond it a product is not shown
// exact, which only means that E is kept.

namespace {

constexpr double kVeltkampFactor = 0x1p27 + 1;
constexpr double kExactFactorLow = 0x1p-480;
constexpr double kExactFactorHigh = 0x1p480;

bool sumIsExact(double a, double b, double s) {
    if (!std::isfinite(s)) {
        return false;
    }
    const double bb = s - a;
    return (a - (s - bb)) + (b - bb) == 0;
}

struct Split {
    double high = 0;
    double low = 0;
};

Split split(double a) {
    const double c = kVeltkampFactor * a;
    const double high = c - (c - a);
    return {high, a - high};
}

bool inExactRange(double a) {
    const double magnitude = std::fabs(a);
    return magnitude >= kExactFactorLow && magnitude <= kExactFactorHigh;
}

bool productIsExact(double a, double b, double p) {
    if (a == 0 || b == 0) {
        return true;
    }
    if (!inExactRange(a) || !inExactRange(b)) {
        return false;
    }
    const Split x = split(a);
    const Split y = split(b);
    return ((x.high * y.high - p) + x.high * y.low + x.low * y.high) + x.low * y.low == 0;
}

double productError(double a, double b, double m) {
    if (std::fabs(m) >= DBL_MIN) {
        return multiplyUp(kUnitRoundoff, std::fabs(m));
    }
    return a == 0 || b == 0 ? 0.0 : kSubnormalStep;
}

double sumError(double s) {
    return multiplyUp(kUnitRoundoff, std::fabs(s));
}

}  // namespace

Evaluated evaluate(const Coefficients& a, int count, Complex64 x) {
    Evaluated acc{a[0], 0.0, true};
    const double xMagnitude = addUp(std::fabs(x.re), std::fabs(x.im));  // >= |x|
    for (int i = 1; i < count; ++i) {
        const Complex64 t = acc.value;
        const auto k = static_cast<std::size_t>(i);
        const Complex64 s = x * t;  // (m1 - m2, m3 + m4) of the products below
        const Complex64 y = a[k] + s;
        const double m1 = x.re * t.re;
        const double m2 = x.im * t.im;
        const double m3 = x.re * t.im;
        const double m4 = x.im * t.re;
        double local = addUp(productError(x.re, t.re, m1), productError(x.im, t.im, m2));
        local = addUp(local, addUp(productError(x.re, t.im, m3), productError(x.im, t.re, m4)));
        local = addUp(local, addUp(sumError(s.re), sumError(s.im)));
        local = addUp(local, addUp(sumError(y.re), sumError(y.im)));
        acc.error = nextErrorBound(acc.error, xMagnitude, local);
        acc.value = y;
        acc.exact = acc.exact && productIsExact(x.re, t.re, m1) && productIsExact(x.im, t.im, m2) &&
                    productIsExact(x.re, t.im, m3) && productIsExact(x.im, t.re, m4) &&
                    sumIsExact(m1, -m2, s.re) && sumIsExact(m3, m4, s.im) &&
                    sumIsExact(a[k].re, s.re, y.re) && sumIsExact(a[k].im, s.im, y.im);
    }
    if (acc.exact && acc.value.re == 0 && acc.value.im == 0) {
        acc.error = 0;  // x is a root
    }
    return acc;
}

bool isFinite(const Evaluated& e) {
    return std::isfinite(e.value.re) && std::isfinite(e.value.im) && std::isfinite(e.error);
}

// |P(x)| <= |value| + error.
double magnitudeUp(const Evaluated& e) {
    return addUp(modulusUp(e.value.re, e.value.im), e.error);
}

// |P(x)| >= |value| - error.
double magnitudeDown(const Evaluated& e) {
    return subtractDown(modulusDown(std::fabs(e.value.re), std::fabs(e.value.im)), e.error);
}

// ---------------------------------------------------------------------------
// The bound of the method's binary32 scheme.
//
// Binary32 rounds with |single(v) - v| <= u |single(v)| where the result is
// normal, and by at most half the subnormal step below that. The extended
// format rounds a difference of a binary32 value and an exact product of two
// (never below its normal range) with |ext(v) - v| <= 2^-64 |ext(v)|, and
// |ext(v)| <= |m| + |b d| (1 + 2^-64) bounds that by 2^-63 (|m| + |b d|).

namespace {

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
// carried through the scheme as the running bound above with |a| + |b| >= |x|.
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
        error = nextErrorBound(error, xMagnitude, local);
    }
    if (!std::isfinite(acc.re) || !std::isfinite(acc.im)) {
        return kInfinity;
    }
    return error;  // infinity too where the bound overflowed
}

Coefficients derivative(const Coefficients& a, int count, int j, int& derivedCount) {
    const int n = count - 1;
    derivedCount = count - j;
    Coefficients d{};
    for (int i = 0; i < derivedCount; ++i) {
        double factor = 1;
        for (int m = 0; m < j; ++m) {
            factor *= n - i - m;  // exact: at most 9!
        }
        const auto k = static_cast<std::size_t>(i);
        d[k] = {factor * a[k].re, factor * a[k].im};
    }
    return d;
}

// ---------------------------------------------------------------------------
// P and P' for the refinement, with no bound: the derivative's own scheme
// d0 = 0, di = x d(i-1) + y(i-1) beside the value's.

ValueAndDerivative valueAndDerivative(const Coefficients& a, int count, Complex64 z) {
    ValueAndDerivative v{a[0], {0, 0}};
    for (int i = 1; i < count; ++i) {
        v.derivative = z * v.derivative + v.value;
        v.value = z * v.value + a[static_cast<std::size_t>(i)];
    }
    return v;
}

}  // namespace secant::bounds
