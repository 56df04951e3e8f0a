#include "app/inclusion.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>

#include "app/inclusion_bounds.hpp"

namespace secant::inclusion {

namespace {

// ---------------------------------------------------------------------------
// Directed bounds under round to nearest.
//
// The rounded result r of one binary64 operation on a nonnegative exact
// result s lies within half a spacing of s, so the neighbour of r away from
// s lies beyond s: nextafter(r, +inf) >= s >= nextafter(r, 0). This holds in
// the subnormal range too, and at the top, where the neighbour of the
// largest finite value is infinity (and r = inf means s > DBL_MAX). Every
// function here takes nonnegative operands; an exact zero stays zero.

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kUnitRoundoff = 0x1p-53;  // u: |round(s) - s| <= u |round(s)|
// A product below DBL_MIN loses at most half the subnormal step 2^-1074.
constexpr double kSubnormalStep = 0x1p-1074;

}  // namespace

double up(double rounded) {
    return std::nextafter(rounded, kInfinity);
}

double down(double rounded) {
    return rounded > 0 ? std::nextafter(rounded, 0.0) : 0.0;
}

double addUp(double a, double b) {
    const double s = a + b;
    return s == 0 ? 0.0 : up(s);
}

double addDown(double a, double b) {
    return down(a + b);
}

// A lower bound of max(a - b, 0).
double subtractDown(double a, double b) {
    return a > b ? down(a - b) : 0.0;
}

double multiplyUp(double a, double b) {
    return a == 0 || b == 0 ? 0.0 : up(a * b);
}

double multiplyDown(double a, double b) {
    return down(a * b);
}

double divideUp(double a, double b) {
    return a == 0 ? 0.0 : up(a / b);
}

// The square root is correctly rounded (IEEE 754), so the same holds for it.
double sqrtUp(double a) {
    return a == 0 ? 0.0 : up(std::sqrt(a));
}

double sqrtDown(double a) {
    return down(std::sqrt(a));
}

// |z| <= sqrt(re^2 + im^2) rounded up, and |z| <= |re| + |im| where the
// squares leave the range.
double modulusUp(double re, double im) {
    const double a = std::fabs(re);
    const double b = std::fabs(im);
    const double root = sqrtUp(addUp(multiplyUp(a, a), multiplyUp(b, b)));
    return std::isfinite(root) ? root : addUp(a, b);
}

// For lower bounds a, b >= 0 of |re| and |im|: |z| >= sqrt(a^2 + b^2) rounded
// down, and |z| >= max(a, b) where the squares underflow.
double modulusDown(double a, double b) {
    return std::fmax(sqrtDown(addDown(multiplyDown(a, a), multiplyDown(b, b))), std::fmax(a, b));
}

// A lower bound of |x - y|: a rounded difference of two binary64 values is
// the rounded exact difference (zero only when they are equal), so down()
// of its magnitude is below the exact one.
double distanceDown(Complex64 x, Complex64 y) {
    return modulusDown(down(std::fabs(x.re - y.re)), down(std::fabs(x.im - y.im)));
}

// ---------------------------------------------------------------------------
// Powers of ten. 10^m for 0 <= m <= 22 is exact in binary64 (5^22 < 2^53),
// and so is each product that builds it.

namespace {

constexpr int kLargestExactPowerOfTen = 22;

double exactPowerOfTen(int m) {
    double p = 1;
    for (int i = 0; i < m; ++i) {
        p *= 10;
    }
    return p;
}

}  // namespace

// Bounds of 10^k for k >= 0.
double powerOfTenUp(int k) {
    double p = exactPowerOfTen(std::min(k, kLargestExactPowerOfTen));
    for (int i = kLargestExactPowerOfTen; i < k; ++i) {
        p = multiplyUp(p, 10);
    }
    return p;
}

double powerOfTenDown(int k) {
    double p = exactPowerOfTen(std::min(k, kLargestExactPowerOfTen));
    for (int i = kLargestExactPowerOfTen; i < k; ++i) {
        p = multiplyDown(p, 10);
    }
    return p;
}

// An upper bound of a * 10^k for a >= 0.
double scaleUp(double a, int k) {
    return k >= 0 ? multiplyUp(a, powerOfTenUp(k)) : divideUp(a, powerOfTenDown(-k));
}

// ---------------------------------------------------------------------------
// The printed root read back.

namespace {

// A printed decimal number: (-1)^negative * digits * 10^exponent.
struct Decimal {
    bool valid = false;
    bool negative = false;
    std::uint64_t digits = 0;
    int exponent = 0;
};

// The listing prints six; a refined root up to seventeen (digits < 10^17 < 2^57).
constexpr int kMaxDecimalDigits = 17;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The forms "-12.5", "0.000568897", "-6.32368e-07", "1e+10"; nothing else
// ("inf", "nan") is valid.
Decimal parseDecimal(const std::string& text) {
    Decimal d;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        d.negative = text[i] == '-';
        ++i;
    }
    int significant = 0;
    bool anyDigit = false;
    bool point = false;
    for (; i < text.size() && (isDigit(text[i]) || (text[i] == '.' && !point)); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        anyDigit = true;
        if (d.digits == 0 && text[i] == '0') {
            d.exponent -= point ? 1 : 0;  // a leading zero
            continue;
        }
        if (++significant > kMaxDecimalDigits) {
            return d;
        }
        d.digits = d.digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
        d.exponent -= point ? 1 : 0;
    }
    if (!anyDigit) {
        return d;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        int e = 0;
        const std::size_t first = i;
        for (; i < text.size() && isDigit(text[i]) && e < 10000; ++i) {
            e = e * 10 + (text[i] - '0');
        }
        if (i == first) {
            return d;
        }
        d.exponent += negativeExponent ? -e : e;
    }
    d.valid = i == text.size() && d.exponent > -400 && d.exponent < 400;
    return d;
}

std::uint64_t powerOfFive(int m) {
    std::uint64_t p = 1;
    for (int i = 0; i < m; ++i) {
        p *= 5;
    }
    return p;
}

constexpr std::uint64_t kExactIntegers = std::uint64_t{1}
                                         << 53U;  // every integer up to it is exact

// The digits as a binary64 value c rounded to nearest by hand, since the
// conversion of an integer that does not fit takes a neighbour of the
// implementation's choice: digits = high 2^shift + rest with high < 2^53,
// c = (high + [2 rest >= 2^shift]) 2^shift (high + 1 <= 2^53 is exact too).
// It is exact where rest is 0; otherwise high >= 2^52, so c >= 2^(52 + shift)
// and |c - digits| <= 2^(shift - 1) <= u c.
struct Converted {
    double value = 0;
    bool exact = true;
};

Converted convertDigits(std::uint64_t digits) {
    unsigned shift = 0;
    while ((digits >> shift) >= kExactIntegers) {
        ++shift;
    }
    const std::uint64_t high = digits >> shift;
    const std::uint64_t rest = digits - (high << shift);
    const std::uint64_t half = shift > 0 ? std::uint64_t{1} << (shift - 1) : 1;
    const std::uint64_t rounded = high + (rest >= half ? 1 : 0);
    return {std::ldexp(static_cast<double>(rounded), static_cast<int>(shift)), rest == 0};
}

}  // namespace

// The digits become c0, exact up to 2^53 and rounded once above it. Each
// multiplication or division by an exact power of ten (at most 10^22, so
// that 15 of them reach 10^330) then rounds once. Where a rounded result r
// of the exact s is at least DBL_MIN, |r - s| <= u |r|, so s = r (1 + t) with
// |t| <= u; the final c is checked to be at least DBL_MIN, every division's
// result is larger and every product's at least c0 >= 1, so this holds for
// each. After k roundings the exact value is d = c times k such factors, and
// |c - d| <= ((1 + u)^k - 1) |c| <= 2 k u |c| (k <= 16; the listing's floats
// need at most three). A quotient digits / 10^m with digits < 2^53 is exact
// where 5^m divides digits, and a product digits * 10^m where it stays below
// 2^53.
ReadBack readBack(const std::string& text) {
    const Decimal d = parseDecimal(text);
    ReadBack r;
    constexpr int kMaxExponent = 15 * kLargestExactPowerOfTen;
    if (!d.valid || d.exponent > kMaxExponent || d.exponent < -kMaxExponent) {
        return r;
    }
    const Converted converted = convertDigits(d.digits);
    double value = converted.value;
    int roundings = converted.exact ? 0 : 1;
    bool exact = d.digits == 0;
    if (!exact && d.exponent < 0 && -d.exponent <= kLargestExactPowerOfTen) {
        exact = d.digits < kExactIntegers && d.digits % powerOfFive(-d.exponent) == 0;
    } else if (!exact && d.exponent >= 0 && d.exponent <= 16) {
        exact = value * exactPowerOfTen(d.exponent) < 0x1p53;  // rounded below 2^53: exact
    }
    for (int e = d.exponent; e != 0;) {
        const int step = std::min(std::abs(e), kLargestExactPowerOfTen);
        value = e > 0 ? value * exactPowerOfTen(step) : value / exactPowerOfTen(step);
        e += e > 0 ? -step : step;
        ++roundings;
    }
    r.valid = std::isfinite(value) && (d.digits == 0 || value >= DBL_MIN);
    r.value = d.negative ? -value : value;
    r.error = exact ? 0.0 : multiplyUp(value, 2 * roundings * kUnitRoundoff);
    return r;
}

// ---------------------------------------------------------------------------
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
        const double m1 = x.re * t.re;
        const double m2 = x.im * t.im;
        const double m3 = x.re * t.im;
        const double m4 = x.im * t.re;
        const Complex64 s{m1 - m2, m3 + m4};
        const auto k = static_cast<std::size_t>(i);
        const Complex64 y{a[k].re + s.re, a[k].im + s.im};
        double local = addUp(productError(x.re, t.re, m1), productError(x.im, t.im, m2));
        local = addUp(local, addUp(productError(x.re, t.im, m3), productError(x.im, t.re, m4)));
        local = addUp(local, addUp(sumError(s.re), sumError(s.im)));
        local = addUp(local, addUp(sumError(y.re), sumError(y.im)));
        acc.error = addUp(multiplyUp(xMagnitude, acc.error), local);
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

namespace {

bool isFinite(const Evaluated& e) {
    return std::isfinite(e.value.re) && std::isfinite(e.value.im) && std::isfinite(e.error);
}

}  // namespace

// |P(x)| <= |value| + error.
double magnitudeUp(const Evaluated& e) {
    return addUp(modulusUp(e.value.re, e.value.im), e.error);
}

// |P(x)| >= |value| - error.
double magnitudeDown(const Evaluated& e) {
    return subtractDown(modulusDown(std::fabs(e.value.re), std::fabs(e.value.im)), e.error);
}

// ---------------------------------------------------------------------------
// The printed radius: the least six-digit decimal M 10^(e-5) that the
// bounds can show to be at least R.

namespace {

constexpr std::uint64_t kLargestSixDigits = 999999;
constexpr double kSmallestRadius = 1e-300;  // below it, this is printed (rounding up is allowed)

// ceil of an upper bound of R 10^(5 - e): M 10^(e - 5) >= R.
double digitsFor(double r, int e) {
    return std::ceil(scaleUp(r, 5 - e));
}

// The digits in the general format of the listing at precision 6.
std::string generalFormat(std::uint64_t m, int e) {
    std::string digits = std::to_string(m);
    const int exponent = e - 5 + static_cast<int>(digits.size()) - 1;  // of the first digit
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const auto size = static_cast<int>(digits.size());
    std::string text;
    if (exponent < -4 || exponent >= 6) {
        text = digits.substr(0, 1);
        if (size > 1) {
            text += '.';
            text.append(digits, 1);
        }
        const int magnitude = std::abs(exponent);
        text += exponent < 0 ? "e-" : "e+";
        if (magnitude < 10) {
            text += '0';
        }
        text += std::to_string(magnitude);
    } else if (exponent >= 0) {
        const int whole = exponent + 1;  // digits before the point
        text = digits.substr(0, static_cast<std::size_t>(std::min(size, whole)));
        text.append(static_cast<std::size_t>(std::max(0, whole - size)), '0');
        if (size > whole) {
            text += '.';
            text.append(digits, static_cast<std::size_t>(whole));
        }
    } else {
        text = "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    }
    return text;
}

}  // namespace

Radius roundRadiusUp(double r) {
    Radius radius;
    if (r == 0) {
        radius.text.push_back('0');  // not = "0", which GCC 12 takes for an overlapping copy
        return radius;
    }
    r = std::fmax(r, kSmallestRadius);
    // The estimate only starts the search; the result is the least e whose
    // digits fit in six, whatever the estimate.
    int e = static_cast<int>(std::floor(std::log10(r)));
    while (digitsFor(r, e) > kLargestSixDigits) {
        ++e;
    }
    while (digitsFor(r, e - 1) <= kLargestSixDigits) {
        --e;
    }
    const auto m = static_cast<std::uint64_t>(digitsFor(r, e));
    radius.text = generalFormat(m, e);
    radius.upper = scaleUp(static_cast<double>(m), e - 5);
    return radius;
}

// ---------------------------------------------------------------------------
// A bound of the modulus of every root.
//
// k-th roots by bisection with exact scaling: t = f 2^e with f in [1/2, 1)
// (frexp), and e = k q + r with 0 <= r < k, so t^(1/k) = 2^q s^(1/k) with
// s = f 2^r exact in [1/2, 2^(k-1)) and s^(1/k) in [1/2, 2). A value h whose
// k-th power is shown to be at least s (by a lower bound of it) bounds
// s^(1/k) from above; 2 is one, as 2^k > 2^(k-1) > s, and the bisection
// keeps the least it finds, so h 2^q >= t^(1/k). For k >= 2, q lies within
// -537..512, so h 2^q is exact (ldexp).

namespace {

// A lower bound of y^k, for y >= 0 and k >= 1.
double powerDown(double y, int k) {
    double p = y;
    for (int i = 1; i < k; ++i) {
        p = multiplyDown(p, y);
    }
    return p;
}

constexpr int kBisections = 64;  // more than the 53 a bracket within a factor 4 needs

}  // namespace

double rootUp(double t, int k) {
    if (t == 0 || k == 1 || !std::isfinite(t)) {
        return t;
    }
    int e = 0;
    const double f = std::frexp(t, &e);
    const int q = e >= 0 ? e / k : -((k - 1 - e) / k);  // floor(e / k)
    const double s = std::ldexp(f, e - q * k);
    double low = 0.5;
    double high = 2;
    for (int i = 0; i < kBisections; ++i) {
        const double middle = (low + high) / 2;
        if (middle <= low || middle >= high) {
            break;
        }
        if (powerDown(middle, k) >= s) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::ldexp(high, q);
}

// Two classical bounds, for P of degree n >= 1 with a0 != 0.
//
// Fujiwara (1916): let M be the largest of |ai / a0|^(1/i) for 1 <= i < n and
// |an / (2 a0)|^(1/n). For |z| > 2M, with q = M / |z| < 1/2, |ai / a0| <= M^i
// and |an / a0| <= 2 M^n give
//   |P(z) / (a0 z^n)| >= 1 - sum over i < n of q^i - 2 q^n
//                     > 1 - sum over i < n of 2^-i - 2^(1-n) = 0,
// so every root has |z| <= 2M.
//
// Cauchy: let rho be the positive root of Q(x) = |a0| x^n - sum over i >= 1
// of |ai| x^(n-i) (where some ai != 0; otherwise every root is 0). Q(x) /
// x^n = |a0| - sum of |ai| x^-i increases strictly, so Q(x) > 0 exactly
// where x > rho; and for |z| > rho, |P(z)| >= Q(|z|) > 0, so every root has
// |z| <= rho. At x = 2M the sum above is at most 1, so Q(2M) >= 0 and
// rho <= 2M; each term |ai / a0| rho^-i of the sum 1 at rho is at most 1, so
// rho >= M. Any x at which Q(x) > 0 is shown (a lower bound of |a0| x^n
// above an upper bound of the sum) bounds every root: the bisection between
// F / 4 and the Fujiwara bound F >= 2M keeps the least such x it finds.
//
// The bisection runs on x = t 2^p, with 2^p the power of two just above F,
// and Q(x) / 2^(pn) = |a0| t^n - sum of bi t^(n-i), bi = |ai| 2^(-pi): as
// |ai| <= 2 |a0| M^i and M < 2^(p-1), bi <= 2 |a0| 2^-i, and t >= 1/8, so
// nothing overflows. A bi below DBL_MIN is rounded by the scaling; its upper
// neighbour bounds it.
double rootModulusBound(const Coefficients& a, int count) {
    const int n = count - 1;
    const double leading = modulusDown(std::fabs(a[0].re), std::fabs(a[0].im));
    if (leading == 0) {
        return kInfinity;
    }
    double m = 0;  // >= M
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double ratio = divideUp(modulusUp(a[k].re, a[k].im), leading);  // >= |ai / a0|
        m = std::fmax(m, rootUp(i < n ? ratio : divideUp(ratio, 2), i));
    }
    const double fujiwara = multiplyUp(2, m);
    if (fujiwara == 0 || !std::isfinite(fujiwara)) {
        return fujiwara;
    }
    int p = 0;
    double high = std::frexp(fujiwara, &p);  // F = high 2^p, high in [1/2, 1)
    std::array<double, kMaxCoefficients> b{};
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double scaled = std::ldexp(modulusUp(a[k].re, a[k].im), -p * i);
        b[k] = scaled < DBL_MIN ? up(scaled) : scaled;
    }
    const auto shownAbove = [&](double t) {
        double sum = 0;
        for (int i = 1; i <= n; ++i) {
            sum = addUp(multiplyUp(sum, t), b[static_cast<std::size_t>(i)]);
        }
        return multiplyDown(leading, powerDown(t, n)) > sum;
    };
    double low = high / 4;
    for (int i = 0; i < kBisections; ++i) {
        const double middle = (low + high) / 2;
        if (middle <= low || middle >= high) {
            break;
        }
        if (shownAbove(middle)) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::ldexp(high, p);
}

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

// An upper bound of |x - y|.
double distanceUp(Complex64 x, Complex64 y) {
    return modulusUp(up(std::fabs(x.re - y.re)), up(std::fabs(x.im - y.im)));
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

bool simultaneousDisks(const Coefficients& a, int count, const Centres& c, RootDisks& disks) {
    const int n = count - 1;
    Corrections w;
    if (!weierstrassCorrections(a, count, c, w)) {
        return false;
    }
    std::array<double, kMaxCoefficients> least{};   // the disk of n |Wi| around the printed root
    std::array<double, kMaxCoefficients> single{};  // the single-point disk, or infinity
    for (int i = 1; i <= n; ++i) {
        least[i] = addUp(w.spread[i], c[i].error);
        NoDiskReason unused = NoDiskReason::Overflow;
        single[i] = singlePointRadius(a, count, c[i], unused);
        setRadius(disks[i], DiskKind::Simultaneous, least[i]);
    }
    groupOverlapping(c, n, disks);
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
    for (int i = 1; i <= n; ++i) {
        if (disks[i].groupSize == 1) {
            setRadius(disks[i], DiskKind::Simultaneous,
                      addUp(isolatedRadius(c, n, w, i), c[i].error));
        }
    }
    return true;
}

}  // namespace secant::inclusion

namespace secant::inclusion {

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

std::string printedPart(float value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << value;
    return text.str();
}

RootDisks includePrintedRoots(const CoefficientTable& asRead, const PrintedRoots& roots,
                              int found) {
    RootDisks disks{};
    const int count = asRead.count;
    if (found < 1 || count < 2 || found > count - 1) {
        return disks;
    }
    Coefficients a{};
    for (int i = 0; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        a[k] = {asRead.coefficients[k].real(), asRead.coefficients[k].imag()};
    }
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

RootDisks includeRoots(const CoefficientTable& asRead,
                       const std::array<Complex, kMaxCoefficients>& roots, int found) {
    PrintedRoots printed{};
    for (int k = 1; k <= found && k < kMaxCoefficients; ++k) {
        const auto index = static_cast<std::size_t>(k);
        printed[index] = {printedPart(roots[index].real()), printedPart(roots[index].imag())};
    }
    return includePrintedRoots(asRead, printed, found);
}

}  // namespace secant
