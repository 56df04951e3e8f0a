// The steps of the inclusion disks, each against an oracle of its own: the
// directed bounds against the binary64 neighbours of exact results, the
// read-back and the k-th roots against exact integer arithmetic, the bound
// of every root against Cauchy's, Horner's scheme against values that
// rounding only makes zero, the isolated radius against its formula, and
// whole disks, of the listing's floats or of printed texts, against roots
// computed with mpmath at 40 digits (of the coefficients rounded to single
// precision).
#include "solver/bounds/inclusion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "case_name.hpp"
#include "exact_numbers.hpp"
#include "solver/bounds/binary64.hpp"
#include "solver/bounds/decimal.hpp"
#include "solver/bounds/directed.hpp"
#include "solver/bounds/root_bound.hpp"

namespace secant::testing {
namespace {

using namespace bounds;     // NOLINT(google-build-using-namespace): the functions under test
using namespace inclusion;  // NOLINT(google-build-using-namespace)

// ---------------------------------------------------------------------------
// Directed bounds. floor is the largest binary64 value at most the exact
// result, and exact says whether it is the result: an upper bound must then
// be at least floor, or above it, and a lower bound at most floor. Neither
// may be more than steps binary64 values away from floor (two for one
// operation, more for one of several).

struct BoundCase {
    const char* name;
    std::function<double()> bound;
    bool upper;
    double floor;
    bool exact;
    int steps = 2;
};

double stepsFrom(double x, int steps, double towards) {
    for (int i = 0; i < steps; ++i) {
        x = std::nextafter(x, towards);
    }
    return x;
}

using testing::PrintTo;

class DirectedBoundTest : public ::testing::TestWithParam<BoundCase> {};

TEST_P(DirectedBoundTest, BoundsTheExactResultWithinAFewSteps) {
    const BoundCase& c = GetParam();
    const double result = c.bound();
    if (c.upper) {
        if (c.exact) {
            EXPECT_GE(result, c.floor);
        } else {
            EXPECT_GT(result, c.floor);
        }
        EXPECT_LE(result, stepsFrom(c.floor, c.steps, kInfinity));
    } else {
        EXPECT_LE(result, c.floor);
        EXPECT_GE(result, stepsFrom(c.floor, c.steps, 0.0));
        EXPECT_GE(result, 0.0);
    }
    if (c.exact && c.floor == 0) {
        EXPECT_EQ(result, 0.0) << "an exact zero stays zero";
    }
}

const double kSqrtTwoFloor = 0x1.6a09e667f3bccp+0;  // sqrt(2) rounds up to ...cd
const double kTenthFloor = 0x1.9999999999999p-4;    // 1/10 rounds up to ...9a
const double kThirdFloor = 0x1.5555555555555p-2;

const BoundCase kBoundCases[] = {
    {"AddUpInexact", [] { return addUp(1, 0x1p-60); }, true, 1, false},
    {"AddUpExact", [] { return addUp(1, 1); }, true, 2, true},
    {"AddUpZero", [] { return addUp(0, 0); }, true, 0, true},
    {"AddUpOverflow", [] { return addUp(DBL_MAX, DBL_MAX); }, true, DBL_MAX, false},
    {"AddDownInexact", [] { return addDown(1, 0x1p-60); }, false, 1, false},
    {"AddDownExact", [] { return addDown(1, 1); }, false, 2, true},
    {"SubtractDownInexact", [] { return subtractDown(1, 0x1p-60); }, false, 0x1.fffffffffffffp-1,
     false},
    {"SubtractDownExact", [] { return subtractDown(3, 1); }, false, 2, true},
    {"SubtractDownNegative", [] { return subtractDown(1, 3); }, false, 0, true},
    {"MultiplyUpInexact", [] { return multiplyUp(1 + 0x1p-52, 1 + 0x1p-52); }, true, 1 + 0x1p-51,
     false},
    {"MultiplyUpExact", [] { return multiplyUp(3, 0.5); }, true, 1.5, true},
    {"MultiplyUpUnderflow", [] { return multiplyUp(0x1p-1074, 0.5); }, true, 0, false},
    {"MultiplyUpZero", [] { return multiplyUp(0, 7); }, true, 0, true},
    {"MultiplyDownInexact", [] { return multiplyDown(1 + 0x1p-52, 1 + 0x1p-52); }, false,
     1 + 0x1p-51, false},
    {"MultiplyDownUnderflow", [] { return multiplyDown(0x1p-1074, 0.5); }, false, 0, false},
    {"DivideUpThird", [] { return divideUp(1, 3); }, true, kThirdFloor, false},
    {"DivideUpTenth", [] { return divideUp(1, 10); }, true, kTenthFloor, false},
    {"DivideUpZero", [] { return divideUp(0, 3); }, true, 0, true},
    {"SqrtUpTwo", [] { return sqrtUp(2); }, true, kSqrtTwoFloor, false},
    {"SqrtUpFour", [] { return sqrtUp(4); }, true, 2, true},
    {"SqrtDownTwo", [] { return sqrtDown(2); }, false, kSqrtTwoFloor, false},
    {"ModulusUpExact", [] { return modulusUp(-3, 4); }, true, 5, true, 8},
    {"ModulusUpInexact", [] { return modulusUp(1, -1); }, true, kSqrtTwoFloor, false, 8},
    {"ModulusUpBeyondRange", [] { return modulusUp(DBL_MAX, DBL_MAX); }, true, DBL_MAX, false, 8},
    {"ModulusDownExact", [] { return modulusDown(3, 4); }, false, 5, true, 8},
    {"ModulusDownInexact", [] { return modulusDown(1, 1); }, false, kSqrtTwoFloor, false, 8},
    {"ModulusDownSubnormal", [] { return modulusDown(0x1p-1074, 0x1p-1074); }, false, 0x1p-1074,
     false, 8},
    {"DistanceUpExact",
     [] {
         return distanceUp({0, 0}, {3, -4});
     },
     true, 5, true, 8},
    {"DistanceUpInexact",
     [] {
         return distanceUp({1, 0}, {-0x1p-60, 0});
     },
     true, 1, false, 8},
    {"DistanceDownExact",
     [] {
         return distanceDown({0, 0}, {3, -4});
     },
     false, 5, true, 8},
    {"DistanceDownInexact",
     [] {
         return distanceDown({1, 0}, {-0x1p-60, 0});
     },
     false, 1, false, 8},
    {"PowerOfTenUpExact", [] { return powerOfTenUp(22); }, true, 1e22, true},
    {"PowerOfTenUpInexact", [] { return powerOfTenUp(23); }, true, 0x1.52d02c7e14af6p+76, false, 8},
    {"PowerOfTenDownInexact", [] { return powerOfTenDown(23); }, false, 0x1.52d02c7e14af6p+76,
     false, 8},
    {"ScaleUpExact", [] { return scaleUp(3, 2); }, true, 300, true, 8},
    {"ScaleUpTenth", [] { return scaleUp(1, -1); }, true, kTenthFloor, false, 8},
    {"ScaleUpLarge", [] { return scaleUp(1, 25); }, true, 0x1.08b2a2c280290p+83, false, 8},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, DirectedBoundTest, ::testing::ValuesIn(kBoundCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The read-back, against exact arithmetic on natural numbers.

struct ReadBackCase {
    const char* name;
    const char* text;
    bool valid;
    // The text's exact value: (-1)^negative digits 10^exponent.
    bool negative;
    std::uint64_t digits;
    int exponent;
};

void PrintTo(const ReadBackCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ReadBackTest : public ::testing::TestWithParam<ReadBackCase> {};

// |value - text| <= error, decided exactly: everything is multiplied by
// 10^max(0, -exponent) 2^k so that it becomes a natural number.
TEST_P(ReadBackTest, ErrorBoundsTheDistanceToTheText) {
    const ReadBackCase& c = GetParam();
    const ReadBack r = readBack(c.text);
    ASSERT_EQ(r.valid, c.valid);
    if (!c.valid) {
        return;
    }
    ASSERT_TRUE(std::isfinite(r.value));
    if (c.digits != 0) {
        EXPECT_EQ(std::signbit(r.value), c.negative);
    }
    EXPECT_GE(r.error, 0.0);
    EXPECT_LE(r.error, 0x1p-47 * std::fabs(r.value)) << "more than sixteen roundings";
    const Binary value = binary(r.value);
    const Binary error = binary(r.error);
    const int k = std::max(0, -std::min(value.exponent, error.exponent));
    const int tenths = std::max(0, -c.exponent);
    Natural scaledValue =
        Natural(value.significand).timesPowerOfTen(tenths).timesPowerOfTwo(value.exponent + k);
    Natural scaledText =
        Natural(c.digits).timesPowerOfTen(std::max(0, c.exponent)).timesPowerOfTwo(k);
    Natural scaledError =
        Natural(error.significand).timesPowerOfTen(tenths).timesPowerOfTwo(error.exponent + k);
    EXPECT_LE(compare(distance(scaledValue, scaledText), scaledError), 0)
        << "value " << r.value << " error " << r.error;
}

const ReadBackCase kReadBackCases[] = {
    {"Tenth", "0.1", true, false, 1, -1},
    {"Dyadic", "-12.5", true, true, 125, -1},
    {"PowerOfTen", "1e+10", true, false, 1, 10},
    {"Zero", "0", true, false, 0, 0},
    {"NegativeZero", "-0", true, true, 0, 0},
    {"Small", "-6.32368e-07", true, true, 632368, -12},
    {"SmallPositive", "3.25127e-08", true, false, 325127, -13},
    {"LeadingZeros", "0.000568897", true, false, 568897, -9},
    {"ThreeDivisions", "4.99997e-41", true, false, 499997, -46},
    {"SubnormalFloat", "-1.4013e-45", true, true, 14013, -49},
    {"LargestFloat", "3.40282e+38", true, false, 340282, 33},
    {"FifteenDigits", "123456789012345", true, false, 123456789012345, 0},
    {"FifteenDigitsLarge", "9.87654321098765e+50", true, false, 987654321098765, 36},
    // Refined roots: up to seventeen digits, whose integer may exceed 2^53.
    {"SixteenDigits", "0.6041883230209351", true, false, 6041883230209351, -16},
    {"SeventeenDigits", "-1.2345678901234567", true, true, 12345678901234567, -16},
    {"SeventeenDigitsInteger", "12345678901234567", true, false, 12345678901234567, 0},
    {"SeventeenDigitsBinary", "12345678407663616", true, false, 12345678407663616, 0},
    {"LargestExactInteger", "9007199254740992", true, false, 9007199254740992, 0},
    {"AboveTheExactIntegers", "9007199254740993", true, false, 9007199254740993, 0},
    {"RoundedUpToEven", "9007199254740995", true, false, 9007199254740995, 0},
    // 25 divides the digits, but they are not exact: neither is the quotient.
    {"QuotientAboveTheExactIntegers", "90071992547410.25", true, false, 9007199254741025, -2},
    {"SeventeenDigitsTiny", "-3.1415926535897931e-83", true, true, 31415926535897931, -99},
    {"SeventeenDigitsHuge", "6.0221407599999999e+83", true, false, 60221407599999999, 67},
    {"FifteenDivisions", "4.9406564584124654e-300", true, false, 49406564584124654, -316},
    {"FourteenProducts", "1.7976931348623e+300", true, false, 17976931348623, 287},
    {"EighteenDigits", "1.23456789012345678", false, false, 0, 0},
    {"BelowTheNormalRange", "1e-320", false, false, 0, 0},
    {"Infinity", "inf", false, false, 0, 0},
    {"NaN", "-nan", false, false, 0, 0},
    {"Empty", "", false, false, 0, 0},
    {"TwoPoints", "1.2.3", false, false, 0, 0},
    {"NoExponentDigits", "1e", false, false, 0, 0},
    {"ExponentOutOfRange", "1e+400", false, false, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, ReadBackTest, ::testing::ValuesIn(kReadBackCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// k-th roots rounded up, against exact powers: r^k >= t, and a value 2^-40
// below r has a power below t.

// Whether x^k >= t, exactly.
bool powerAtLeast(double x, int k, double t) {
    const Binary base = binary(x);
    const Binary target = binary(t);
    Natural power(1);
    for (int i = 0; i < k; ++i) {
        power = product(power, Natural(base.significand));
    }
    const int least = std::min(k * base.exponent, target.exponent);
    power.timesPowerOfTwo(k * base.exponent - least);
    Natural scaledTarget = Natural(target.significand).timesPowerOfTwo(target.exponent - least);
    return compare(power, scaledTarget) >= 0;
}

struct RootCase {
    const char* name;
    double t;
    int k;
};

class RootUpTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootUpTest, IsTheLeastBoundWithinItsLastBits) {
    const RootCase& c = GetParam();
    const double r = rootUp(c.t, c.k);
    if (c.t == 0) {
        EXPECT_EQ(r, 0.0);
        return;
    }
    EXPECT_TRUE(powerAtLeast(r, c.k, c.t)) << r;
    EXPECT_FALSE(powerAtLeast(r * (1 - 0x1p-40), c.k, c.t)) << r;
}

const RootCase kRootCases[] = {
    {"SquareRootOfTwo", 2, 2},     {"NinthRootOfTwo", 2, 9},
    {"CubeRootExact", 27, 3},      {"SeventhRootBelowOne", 0.75, 7},
    {"FirstRoot", 0.1, 1},         {"Zero", 0, 5},
    {"Subnormal", 0x1p-1074, 9},   {"SubnormalSquare", 0x1p-1074, 2},
    {"LargestSquare", DBL_MAX, 2}, {"LargestNinth", DBL_MAX, 9},
    {"Binomial", 3.539e-06F, 8},   {"TinySquare", 1e-40F, 2},
    {"LargeFifth", 1e300, 5},      {"ExponentNotAMultiple", 0x1.8p-7, 4},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, RootUpTest, ::testing::ValuesIn(kRootCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The bound of every root's modulus: at least the largest modulus, and
// Cauchy's bound (the positive root of |a0| x^n - sum of |ai| x^(n-i)) to
// its last bits. Both from mpmath, of the coefficients as single precision;
// with real coefficients, |a0| x^n - sum of |ai| x^(n-i) >= 0 at the bound
// is decided exactly too, as the binary64 form of Cauchy's bound may lie
// below it.

// The sign of |a0| x^n - sum over i >= 1 of |ai| x^(n-i), for real ai.
int cauchySign(const std::vector<Complex>& a, double x) {
    Dyadic q = Dyadic::of(std::fabs(a[0].re));
    for (std::size_t i = 1; i < a.size(); ++i) {
        q = q * Dyadic::of(x) - Dyadic::of(std::fabs(a[i].re));
    }
    return q.magnitude.isZero() ? 0 : (q.negative ? -1 : 1);
}

struct RootBoundCase {
    const char* name;
    std::vector<Complex> coefficients;
    double largestModulus;
    double cauchy;
};

class RootModulusBoundTest : public ::testing::TestWithParam<RootBoundCase> {};

TEST_P(RootModulusBoundTest, IsCauchysBound) {
    const RootBoundCase& c = GetParam();
    Coefficients a{};
    for (std::size_t i = 0; i < c.coefficients.size(); ++i) {
        a[i] = {c.coefficients[i].re, c.coefficients[i].im};
    }
    const double bound = rootModulusBound(a, static_cast<int>(c.coefficients.size()));
    EXPECT_GE(bound, c.largestModulus);
    EXPECT_GE(bound, c.cauchy);
    EXPECT_LE(bound, c.cauchy * (1 + 0x1p-40));
    const bool real = std::all_of(c.coefficients.begin(), c.coefficients.end(),
                                  [](Complex a) { return a.im == 0; });
    if (real && std::isfinite(bound)) {
        EXPECT_GE(cauchySign(c.coefficients, bound), 0) << "below Cauchy's bound: " << bound;
    }
}

const RootBoundCase kRootBoundCases[] = {
    // Every root on one circle: the bound is its radius.
    {"Binomial",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {3.539e-06F, 0}},
     0.2082620177357859,
     0.2082620177357859},
    {"TinyRoots", {{1, 0}, {0, 0}, {1e-40F, 0}}, 9.9999730505210661e-21, 9.9999730505210661e-21},
    {"RealRoots", {{1, 0}, {-6, 0}, {11, 0}, {-6, 0}}, 3, 7.5600055060953461},
    {"ComplexCoefficients", {{1, 0}, {-2, -4}, {-3, -4}}, 5, 5.398345637668169},
    {"Linear", {{1, 0}, {-5, 0}}, 5, 5},
    {"CubeRoots", {{1000, 0}, {0, 0}, {0, 0}, {-1, 0}}, 0.1, 0.1},
    {"NinthRoots",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, 0}},
     1,
     1},
    {"LargeRoots",
     {{1e-30F, 0}, {0, 0}, {-1e10F, 0}},
     9.9999999841446158e+19,
     9.9999999841446158e+19},
    {"SubnormalFreeTerm",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1e-45F, 0}},
     1.0382003785510078e-5,
     1.0382003785510078e-5},
    {"LargestRoot",
     {{1e-20F, 0}, {3e18F, 0}, {1, 0}},
     2.9999999794042033e+38,
     2.9999999794042033e+38},
    {"EveryRootZero", {{2, 0}, {0, 0}, {0, 0}}, 0, 0},
    // 1/3 lies above its binary64 form: the bound must be above 1/3 itself.
    {"OneThird", {{3, 0}, {-1, 0}}, 1.0 / 3, 1.0 / 3},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, RootModulusBoundTest, ::testing::ValuesIn(kRootBoundCases),
                         [](const auto& info) { return std::string(info.param.name); });

// 3x - 1 to the bit: above 1/3 by the outward roundings of |a0|, |a1| and the
// sum, five units beyond 1/3 rounded up (a rounding lost or added moves it).
TEST(RootModulusBound, OfOneThirdIsItsOutwardRoundings) {
    Coefficients a{};
    a[0] = {3, 0};
    a[1] = {-1, 0};
    const double bound = rootModulusBound(a, 2);
    EXPECT_EQ(bound, 0x1.555555555555bp-2);
    EXPECT_GE(compare(Dyadic::of(3) * Dyadic::of(bound), Dyadic::of(1)), 0);
}

// ---------------------------------------------------------------------------
// Horner's scheme: where P(x) is exactly zero the error bound is zero; where
// a rounding only makes the value zero, the bound covers the true |P(x)|.

struct EvaluateCase {
    const char* name;
    std::vector<Complex64> coefficients;
    Complex64 x;
    double trueModulus;  // |P(x)|
};

class EvaluateTest : public ::testing::TestWithParam<EvaluateCase> {};

TEST_P(EvaluateTest, BoundIsZeroExactlyAtAnExactRoot) {
    const EvaluateCase& c = GetParam();
    Coefficients a{};
    for (std::size_t i = 0; i < c.coefficients.size(); ++i) {
        a[i] = c.coefficients[i];
    }
    const Evaluated p = evaluate(a, static_cast<int>(c.coefficients.size()), c.x);
    EXPECT_EQ(p.value.re, 0.0);
    EXPECT_EQ(p.value.im, 0.0);
    if (c.trueModulus == 0) {
        EXPECT_EQ(p.error, 0.0);
        EXPECT_TRUE(p.exact);
    } else {
        EXPECT_GE(p.error, c.trueModulus);
        EXPECT_FALSE(p.exact);
    }
}

const EvaluateCase kEvaluateCases[] = {
    {"NinthPowerAtOne",
     {{3, 0},
      {-27, 0},
      {108, 0},
      {-252, 0},
      {378, 0},
      {-378, 0},
      {252, 0},
      {-108, 0},
      {27, 0},
      {-3, 0}},
     {1, 0},
     0},
    {"SquareAtAHalf", {{1, 0}, {0, 0}, {-0.25, 0}}, {0.5, 0}, 0},
    {"ImaginaryRoot", {{1, 0}, {0, 0}, {1, 0}}, {0, 1}, 0},
    {"ComplexRoot", {{1, 0}, {-2, -4}, {-3, -4}}, {3, 4}, 0},
    // x^2 rounds to 1 + 2^-29: P(x) = 2^-60, computed as zero.
    {"ProductRoundedToTheRoot", {{1, 0}, {0, 0}, {-(1 + 0x1p-29), 0}}, {1 + 0x1p-30, 0}, 0x1p-60},
    // 2^-60 + 1 rounds to 1: P(1) = 2^-60, computed as zero.
    {"SumRoundedToTheRoot", {{1, 0}, {0x1p-60, 0}, {-1, 0}}, {1, 0}, 0x1p-60},
    // The same with the product of the imaginary parts, x = (1 + 2^-30) i.
    {"ImaginaryProductRoundedToTheRoot",
     {{1, 0}, {0, 0}, {1 + 0x1p-29, 0}},
     {0, 1 + 0x1p-30},
     0x1p-60},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, EvaluateTest, ::testing::ValuesIn(kEvaluateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The radius of a disk apart from the others, against |Wi| / (1 - Si) with
// Si = sum over j != i of |Wj| / (|zi - zj| - n |Wi|) in exact fractions (the
// centres a whole distance apart): the bound is at least it, or n |Wi| where
// that is less or the formula does not hold, and above it by a few roundings
// only.

// An exact fraction of dyadic numbers with a positive denominator.
struct Fraction {
    Dyadic numerator;
    Dyadic denominator = Dyadic::of(1);

    friend Fraction operator+(const Fraction& a, const Fraction& b) {
        return {a.numerator * b.denominator + b.numerator * a.denominator,
                a.denominator * b.denominator};
    }
    // The sign of a - b.
    friend int compare(const Fraction& a, const Fraction& b) {
        return compare(a.numerator * b.denominator, b.numerator * a.denominator);
    }
};

// |x - y| exactly: the centres of the cases lie a binary64 distance apart.
Dyadic exactDistance(Complex64 x, Complex64 y) {
    const double distance = std::hypot(x.re - y.re, x.im - y.im);
    const Dyadic d = Dyadic::of(distance);
    const ExactComplex difference = ExactComplex::of(x.re, x.im) - ExactComplex::of(y.re, y.im);
    EXPECT_EQ(compare(d * d, difference.squaredModulus()), 0) << "not a whole distance apart";
    return d;
}

// min(|Wi| / (1 - Si), n |Wi|), n |Wi| where a gap is not positive or Si >= 1.
Fraction exactIsolatedRadius(const Centres& c, int n, const Corrections& w, int i) {
    const Fraction spread{Dyadic::of(w.spread[i])};
    Fraction sum{};
    for (int j = 1; j <= n; ++j) {
        if (j == i) {
            continue;
        }
        const Dyadic gap = exactDistance(c[i].at, c[j].at) - Dyadic::of(w.spread[i]);
        if (gap.negative || gap.magnitude.isZero()) {
            return spread;
        }
        sum = sum + Fraction{Dyadic::of(w.magnitude[j]), gap};
    }
    const Dyadic margin = sum.denominator - sum.numerator;  // (1 - Si) times the denominator
    if (margin.negative || margin.magnitude.isZero()) {
        return spread;
    }
    const Fraction formula{Dyadic::of(w.magnitude[i]) * sum.denominator, margin};
    return compare(formula, spread) < 0 ? formula : spread;
}

struct IsolatedCase {
    const char* name;
    std::vector<Complex64> centres;
    std::vector<double> magnitudes;  // |Wi|, in binary fractions so that n |Wi| is exact
};

class IsolatedRadiusTest : public ::testing::TestWithParam<IsolatedCase> {};

TEST_P(IsolatedRadiusTest, IsTheFormulaRoundedUp) {
    const IsolatedCase& c = GetParam();
    const int n = static_cast<int>(c.centres.size());
    Centres centres{};
    Corrections w;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        centres[k].at = c.centres[k - 1];
        w.magnitude[k] = c.magnitudes[k - 1];
        w.spread[k] = n * c.magnitudes[k - 1];
    }
    for (int i = 1; i <= n; ++i) {
        const Fraction expected = exactIsolatedRadius(centres, n, w, i);
        const double radius = isolatedRadius(centres, n, w, i);
        EXPECT_GE(compare(Fraction{Dyadic::of(radius)}, expected), 0) << "x" << i;
        const Fraction roundings{expected.numerator * Dyadic::of(1 + 0x1p-40),
                                 expected.denominator};
        EXPECT_LE(compare(Fraction{Dyadic::of(radius)}, roundings), 0) << "x" << i;
    }
}

const IsolatedCase kIsolatedCases[] = {
    // Corrections of different sizes, so that each gap depends on its own one.
    {"ThreeOnALine", {{0, 0}, {1, 0}, {3, 0}}, {0x1p-6, 0x1p-3, 0x1p-10}},
    {"FiveOnALine",
     {{-2, 0}, {0.75, 0}, {1.5, 0}, {4, 0}, {-5, 0}},
     {0x1p-5, 0x1p-7, 0x1p-8, 0x1p-4, 0x1p-6}},
    // The corners of a 3 by 4 rectangle: sides and diagonals whole.
    {"FourInThePlane",
     {{0.5, 0.5}, {3.5, 0.5}, {0.5, -3.5}, {3.5, -3.5}},
     {0x1p-4, 0x1p-9, 0x1p-5, 0x1p-12}},
    {"ThreeOnASlope", {{0, 0}, {-0.375, 0.5}, {0.75, -1}}, {0x1p-7, 0x1p-9, 0x1p-6}},
    // Si near 1: the formula is above n |Wi|, which is the bound then.
    {"LargeCorrections", {{0, 0}, {1, 0}}, {0x1p-2, 0x1p-2}},
    // A gap of zero: the bound is n |Wi|.
    {"TouchingDisks", {{0, 0}, {1, 0}}, {0.5, 0x1p-8}},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, IsolatedRadiusTest, ::testing::ValuesIn(kIsolatedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Groups: the count of groups of disks 1 to n, each named by its lowest index.

struct GroupCountCase {
    const char* name;
    std::vector<int> groups;  // of disks 1 to n
    int count;
};

class GroupCountTest : public ::testing::TestWithParam<GroupCountCase> {};

TEST_P(GroupCountTest, CountsEveryGroupOnce) {
    const GroupCountCase& c = GetParam();
    RootDisks disks{};
    const int n = static_cast<int>(c.groups.size());
    for (int i = 1; i <= n; ++i) {
        disks[static_cast<std::size_t>(i)].group = c.groups[static_cast<std::size_t>(i - 1)];
    }
    EXPECT_EQ(groupCount(disks, n), c.count);
}

const GroupCountCase kGroupCountCases[] = {
    {"OneDisk", {1}, 1},           {"AllApart", {1, 2, 3}, 3},
    {"LastApart", {1, 1, 3}, 2},   {"FirstApart", {1, 2, 2}, 2},
    {"OneGroup", {1, 1, 1, 1}, 1}, {"NineInThree", {1, 2, 1, 4, 2, 4, 7, 7, 7}, 4},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, GroupCountTest, ::testing::ValuesIn(kGroupCountCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Whole disks of given centres against the true roots: every disk holds one,
// a disk capped at the bound of every root holds all of them, and each group
// of m disks holds m roots.

struct DiskCase {
    const char* name;
    std::vector<Complex> coefficients;
    std::vector<Complex> centres;  // the roots listed (fewer than n after a failed search)
    std::vector<Complex64> roots;  // mpmath, 40 digits, shown to 17
};

class IncludeRootsTest : public ::testing::TestWithParam<DiskCase> {
protected:
    void SetUp() override {
        const DiskCase& c = GetParam();
        for (const Complex z : c.coefficients) {
            a_[static_cast<std::size_t>(table_.count)] = {z.re, z.im};
            table_.coefficients[static_cast<std::size_t>(table_.count++)] = z;
        }
        found_ = static_cast<int>(c.centres.size());
        for (int i = 1; i <= found_; ++i) {
            const auto k = static_cast<std::size_t>(i);
            listed_[k] = c.centres[k - 1];
            const ReadBack re = readBack(printedPart(listed_[k].re));
            const ReadBack im = readBack(printedPart(listed_[k].im));
            centres_[k] = {{re.value, im.value}, addUp(re.error, im.error)};
        }
        disks_ = includeRoots(table_, listed_, found_);
    }

    CoefficientTable table_;
    Coefficients a_{};
    std::array<Complex, kMaxCoefficients> listed_{};
    Centres centres_{};
    int found_ = 0;
    RootDisks disks_{};
};

// Whether a true root lies in the disk (give or take the root's own 17 digits).
bool holds(const RootDisk& disk, Complex64 root) {
    const double dre = disk.centreRe - root.re;
    const double dim = disk.centreIm - root.im;
    const double slack = 1e-15 * (std::fabs(root.re) + std::fabs(root.im));
    return std::sqrt(dre * dre + dim * dim) <= disk.radius * (1 + 1e-12) + slack;
}

// Each disk of a group of the simultaneous theorem holds its disk Di of
// radius n |Wi| about the centre read back (a capped one holds every root
// instead), so that the group counts its roots.
TEST_P(IncludeRootsTest, DisksOfTheTheoremHoldTheirCorrections) {
    const int n = table_.count - 1;
    Corrections w;
    if (found_ != n || !weierstrassCorrections(a_, table_.count, centres_, w)) {
        return;
    }
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const RootDisk& disk = disks_[k];
        if (disk.kind == DiskKind::Simultaneous && disk.groupSize > 1 && !disk.byRootBound) {
            EXPECT_GE(disk.radius, w.spread[k] + centres_[k].error) << "x" << i;
        }
    }
}

TEST_P(IncludeRootsTest, DisksHoldTheTrueRoots) {
    const DiskCase& c = GetParam();
    const int n = table_.count - 1;
    const double bound = rootModulusBound(a_, table_.count);  // tested against Cauchy's above
    for (int i = 1; i <= found_; ++i) {
        const RootDisk& disk = disks_[static_cast<std::size_t>(i)];
        ASSERT_NE(disk.kind, DiskKind::None) << "x" << i;
        ASSERT_EQ(disk.kind == DiskKind::Simultaneous, found_ == n) << "x" << i;
        int held = 0;
        for (const Complex64 root : c.roots) {
            held += holds(disk, root) ? 1 : 0;
        }
        EXPECT_GE(held, 1) << "x" << i << ": no root in its disk of radius " << disk.radiusText;
        const double reach = std::hypot(disk.centreRe, disk.centreIm) + bound;
        EXPECT_LE(disk.radius, reach * (1 + 1e-5)) << "x" << i << ": above |centre| + the bound";
        if (disk.byRootBound) {
            EXPECT_EQ(held, n) << "x" << i << ": capped at the bound, radius " << disk.radiusText;
            EXPECT_TRUE(disk.kind != DiskKind::Simultaneous || disk.groupSize == n)
                << "x" << i << ": capped in a group of " << disk.groupSize;
        }
        if (disk.kind != DiskKind::Simultaneous || disk.group != i) {
            continue;
        }
        int inGroup = 0;
        for (const Complex64 root : c.roots) {
            bool inside = false;
            for (int j = 1; j <= n; ++j) {
                const RootDisk& member = disks_[static_cast<std::size_t>(j)];
                inside = inside || (member.group == i && holds(member, root));
            }
            inGroup += inside ? 1 : 0;
        }
        EXPECT_EQ(inGroup, disk.groupSize) << "the group of x" << i;
    }
}

// A disk of a group is at least as large as a disk around it known to hold a
// root: the single-point disk, or the disk that covers the disks n |Wj| of
// its whole group, as the groups finally are; or it is capped at the bound
// of every root.
TEST_P(IncludeRootsTest, DisksOfAGroupHoldARootOfTheirOwn) {
    const int n = table_.count - 1;
    if (found_ < n) {
        GTEST_SKIP() << "single-point disks";
    }
    Corrections w;
    ASSERT_TRUE(weierstrassCorrections(a_, table_.count, centres_, w));
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (disks_[k].groupSize > 1 && !disks_[k].byRootBound) {
            NoDiskReason reason = NoDiskReason::Overflow;
            const double own = std::fmin(singlePointRadius(a_, table_.count, centres_[k], reason),
                                         coveringRadius(centres_, n, w, disks_, i));
            EXPECT_GE(disks_[k].radius, own) << "x" << i;
        }
    }
}

// A centre at which P is exactly zero is a root: its radius is 0, alone or in a group.
TEST_P(IncludeRootsTest, ExactRootsHaveRadiusZero) {
    for (int i = 1; i <= found_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const Evaluated p = evaluate(a_, table_.count, centres_[k].at);
        if (p.exact && p.value.re == 0 && p.value.im == 0 && centres_[k].error == 0) {
            EXPECT_EQ(disks_[k].radiusText, "0") << "x" << i;
        } else {
            EXPECT_GT(disks_[k].radius, 0.0) << "x" << i;
        }
    }
}

const DiskCase kDiskCases[] = {
    {"WellSeparated",
     {{1, 0}, {-6, 0}, {11, 0}, {-6, 0}},
     {{1, 1.35042e-08F}, {2, 1.13738e-07F}, {3, -2.38419e-07F}},
     {{1, 0}, {2, 0}, {3, 0}}},
    // The listing's roots: each disk is apart, with a radius near the distance to its root.
    {"IsolatedNearTheirRoots",
     {{5.77468F, 0}, {-0.0977678F, 0}, {-0.00324831F, 0}, {-0.000127895F, 0}},
     {{0.0423907F, -4.00741e-05F}, {-0.012678F, 0.018831F}, {-0.0127822F, -0.0187909F}},
     {{0.04246165740396074, 0},
      {-0.012765615238854269, -0.018937485576858911},
      {-0.012765615238854269, 0.018937485576858911}}},
    // Centres far from the roots: the first growth of the group of x1 and x2
    // makes it meet x3, and a second round grows the merged group.
    {"GroupGrowsTwice",
     {{1, 0}, {1.700396F, 0.05451756F}, {1.090981F, 0.449040F}, {0.2435355F, 0.2057729F}},
     {{-0.626913F, 0.254679F}, {-1.03065F, 0.404058F}, {-0.198113F, -0.569468F}},
     {{-0.48705140658722092, 3.4185640596742669e-7},
      {-0.97996452552965036, 0.49433355824376853},
      {-0.23338000961744269, -0.54885145980733926}}},
    {"ComplexCoefficients",
     {{1, 2}, {0, -1}, {3, 0}, {0.5F, 0.25F}, {-7, 1}},
     {{0.799008F, 1.50033F},
      {-0.448907F, -1.39595F},
      {1.12215F, -0.20183F},
      {-1.07225F, 0.297449F}},
     {{1.1221484158446911, -0.20183019376049179},
      {-1.0722493930507543, 0.29744951034300133},
      {-0.4489065360001222, -1.3959475333659974},
      {0.79900751320618534, 1.5003282167834879}}},
    // Both searches stopped near 0: the disks are capped at the bound of every root.
    {"ListedNearZero",
     {{1, 0}, {0, 0}, {1e-40F, 0}},
     {{-4.99997e-41F, 4.99997e-41F}, {4.99997e-41F, -4.99997e-41F}},
     {{0, 9.9999730505210661e-21}, {0, -9.9999730505210661e-21}}},
    // x1 is exactly the root 1 of (x - 1)(x - 1.5), inside the disk of x2.
    {"ExactRootInAGroup", {{1, 0}, {-2.5F, 0}, {1.5F, 0}}, {{1, 0}, {1.2F, 0}}, {{1, 0}, {1.5, 0}}},
    // Only x1 listed (the search for x2 failed), exactly the root of (x - 1)^9.
    {"ExactRootAlone",
     {{3, 0},
      {-27, 0},
      {108, 0},
      {-252, 0},
      {378, 0},
      {-378, 0},
      {252, 0},
      {-108, 0},
      {27, 0},
      {-3, 0}},
     {{1, 0}},
     {{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, IncludeRootsTest, ::testing::ValuesIn(kDiskCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Disks around roots given as text, as refined roots are printed (up to
// seventeen digits): each holds a true root, and is as small as its centre is
// close to one.

struct PrintedCase {
    const char* name;
    std::vector<Complex> coefficients;
    std::vector<PrintedRoot> centres;
    std::vector<Complex64> roots;  // exact
    double largestRadius;
};

class PrintedRootsTest : public ::testing::TestWithParam<PrintedCase> {};

TEST_P(PrintedRootsTest, DisksHoldTheTrueRoots) {
    const PrintedCase& c = GetParam();
    CoefficientTable table;
    for (const Complex z : c.coefficients) {
        table.coefficients[static_cast<std::size_t>(table.count++)] = z;
    }
    PrintedRoots printed{};
    const int found = static_cast<int>(c.centres.size());
    for (int i = 1; i <= found; ++i) {
        printed[static_cast<std::size_t>(i)] = c.centres[static_cast<std::size_t>(i - 1)];
    }
    const RootDisks disks = includePrintedRoots(table, printed, found);
    for (int i = 1; i <= found; ++i) {
        const RootDisk& disk = disks[static_cast<std::size_t>(i)];
        const PrintedRoot& text = printed[static_cast<std::size_t>(i)];
        if (!readBack(text.re).valid || !readBack(text.im).valid) {
            EXPECT_EQ(disk.kind, DiskKind::None) << "x" << i;
            EXPECT_EQ(disk.reason, NoDiskReason::NotFinite) << "x" << i;
            continue;
        }
        ASSERT_NE(disk.kind, DiskKind::None) << "x" << i;
        bool held = false;
        for (const Complex64 root : c.roots) {
            held = held || holds(disk, root);
        }
        EXPECT_TRUE(held) << "x" << i << ": no root in its disk of radius " << disk.radiusText;
        EXPECT_LE(disk.radius, c.largestRadius) << "x" << i;
    }
}

const PrintedCase kPrintedCases[] = {
    {"RefinedRealRoots",
     {{1, 0}, {-4, 0}, {3, 0}},
     {{"1.0000000000000002", "0"}, {"2.9999999999999991", "0"}},
     {{1, 0}, {3, 0}},
     1e-14},
    // The cube roots of 1 as binary64 values, shown to seventeen digits.
    {"RefinedCubeRoots",
     {{1, 0}, {0, 0}, {0, 0}, {-1, 0}},
     {{"-0.49999999999999978", "0.86602540378443871"},
      {"-0.50000000000000044", "-0.86602540378443837"},
      {"1", "0"}},
     {{-0.5, 0.86602540378443864676}, {-0.5, -0.86602540378443864676}, {1, 0}},
     1e-14},
    // The root is the float nearest 12345678901234567, above 2^53; the
    // centre is 1 away from it, and the bounds add a few spacings of 2 there.
    {"AboveTheExactIntegers",
     {{1, 0}, {-12345678901234567.0F, 0}},
     {{"12345678407663617", "0"}},
     {{12345678407663616.0, 0}},
     10},
    {"NotANumber", {{1, 0}, {0, 0}, {-1, 0}}, {{"nan", "0"}, {"1", "0"}}, {{1, 0}, {-1, 0}}, 0},
};

INSTANTIATE_TEST_SUITE_P(Inclusion, PrintedRootsTest, ::testing::ValuesIn(kPrintedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing
