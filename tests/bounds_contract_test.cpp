// The contracts of the bounds' pieces, each over a few hundred seeded random
// cases against an oracle of its own: the general format and the listing's
// parts against printf's %g, the radius printed upwards against the exact
// value of its digits, the read-back against strtod (correctly rounded), and
// the running bounds of Horner's scheme, in binary64 and in the method's
// binary32 arithmetic, against the exact value of P(x) in dyadic arithmetic.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "exact_numbers.hpp"
#include "solver/bounds/decimal.hpp"
#include "solver/bounds/horner.hpp"
#include "solver/polynomial.hpp"
#include "test_support.hpp"

namespace secant::testing {
namespace {

using Random = std::mt19937_64;

double uniform(Random& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

// A finite float of any exponent, subnormals and zeros included, or a
// decimal of six to eight digits near the edges of the general format's
// forms (0.0001, 1e6, ...) and of rounding up (999999.5).
float anyFloat(Random& random) {
    if (random() % 2 == 0) {
        float value = 0;
        do {
            value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        } while (!std::isfinite(value));
        return value;
    }
    const double edges[] = {1e-4, 1e-5, 1, 10, 1e5, 1e6, 1e7, 9.999995e-5, 999999.5, 9999995};
    const double edge = edges[random() % std::size(edges)];
    const double scale = std::pow(10.0, static_cast<int>(random() % 7) - 3);
    return static_cast<float>((random() % 2 == 0 ? 1 : -1) * edge * scale *
                              (1 + uniform(random, -1e-6, 1e-6)));
}

// A finite double of any exponent.
double anyDouble(Random& random) {
    double value = 0;
    do {
        value = std::bit_cast<double>(random());
    } while (!std::isfinite(value));
    return value;
}

std::string printfG(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

// ---------------------------------------------------------------------------
// The formats.

void printedPartIsPrintfG(Random& random, int /*trial*/) {
    const float value = anyFloat(random);
    EXPECT_EQ(bounds::printedPart(value), printfG(value, 6)) << value;
}

void formatSignificantIsPrintfG(Random& random, int trial) {
    const double value = trial % 2 == 0 ? anyDouble(random) : anyFloat(random) * 1.0000001;
    const int digits = 1 + trial % 17;
    EXPECT_EQ(bounds::formatSignificant(value, digits), printfG(value, digits)) << digits;
}

// The sign of m 10^k - x, for a natural m and x >= 0.
int compareDecimal(std::uint64_t m, int k, const Dyadic& x) {
    Natural decimal(m);
    Natural value = x.magnitude;
    decimal.timesPowerOfTen(std::max(0, k)).timesPowerOfTwo(std::max(0, -x.exponent));
    value.timesPowerOfTen(std::max(0, -k)).timesPowerOfTwo(std::max(0, x.exponent));
    return compare(decimal, value);
}

int compareDecimal(std::uint64_t m, int k, double x) {
    return compareDecimal(m, k, Dyadic::of(x));
}

// The digits of value printed with `digits` significant digits, as
// m 10^k: what "%.*e" writes, d.ddde+XX, read as an integer and an exponent.
struct Digits {
    std::uint64_t m = 0;
    int k = 0;
};

Digits digitsOf(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, std::fabs(value));
    std::string mantissa(text, std::strchr(text, 'e'));
    if (mantissa.size() > 1) {
        mantissa.erase(1, 1);  // the point
    }
    return {std::strtoull(mantissa.c_str(), nullptr, 10),
            std::atoi(std::strchr(text, 'e') + 1) - (digits - 1)};
}

// A radius of any size the disks print, or a six-digit decimal or its
// neighbour, where the least decimal at least r is decided by the last bit.
double anyRadius(Random& random, int trial) {
    const double r = std::pow(10.0, uniform(random, -299, 300));
    if (trial % 3 == 0) {
        return r;
    }
    const double decimal = std::strtod(printfG(r, 6).c_str(), nullptr);
    return trial % 3 == 1 ? decimal : std::nextafter(decimal, 0.0);
}

// The text is the six digits of upper as %g writes them; their value D is at
// least r and at most upper; and the six-digit decimal below D is below r
// (give or take 2^-40 of r, what the rounded-up steps may add).
void radiusIsTheLeastSixDigitsAtLeastR(Random& random, int trial) {
    const double r = anyRadius(random, trial);
    const bounds::Radius radius = bounds::roundRadiusUp(r);
    ASSERT_EQ(radius.text, printfG(radius.upper, 6)) << r;
    const auto [m, k] = digitsOf(radius.upper, 6);
    EXPECT_GE(compareDecimal(m, k, r), 0) << radius.text << " below " << r;
    EXPECT_LE(compareDecimal(m, k, radius.upper), 0) << radius.text << " above its upper bound";
    const bool decade = m == 100000;
    EXPECT_LT(compareDecimal(decade ? 999999 : m - 1, decade ? k - 1 : k, r * (1 + 0x1p-40)), 0)
        << radius.text << " is not the least for " << r;
}

// ---------------------------------------------------------------------------
// The read-back: |value - text| <= error, decided exactly on the text's
// digits, and against strtod's correctly rounded s (|s - text| <= half its
// spacing): |value - s| <= error + that, and value = s where error is 0.

// A decimal text (-1)^negative m 10^k: as %g prints a double or a float, or
// of any form the read-back takes ("123e-7", "0.000123", "12.3", "1.5e+40",
// "12300") with up to seventeen digits, integers above 2^53 among them.
struct DecimalText {
    std::string text;
    bool negative = false;
    Digits digits;
};

DecimalText anyDecimal(Random& random, int trial) {
    const int count = 1 + trial % 17;
    if (trial % 2 == 0) {
        double printed = 0;
        do {
            printed = trial % 4 == 0 ? anyFloat(random) : anyDouble(random);
        } while (printed != 0 && !(std::fabs(printed) >= 1e-300 && std::fabs(printed) <= 1e300));
        return {printfG(printed, count), std::signbit(printed), digitsOf(printed, count)};
    }
    std::uint64_t low = 1;
    for (int i = 1; i < count; ++i) {
        low *= 10;
    }
    const std::uint64_t m = low + random() % (9 * low);
    // The exponent of the first digit; a quarter are integers.
    const int lead = random() % 4 == 0 ? count - 1 : static_cast<int>(random() % 599) - 299;
    const int k = lead - count + 1;
    std::string digits = std::to_string(m);
    std::string text;
    if (random() % 2 == 0) {
        text = digits.substr(0, 1) + (count > 1 ? "." + digits.substr(1) : "") + "e" +
               std::to_string(lead);
    } else if (k >= 0 && count + k <= 17) {
        text = digits + std::string(static_cast<std::size_t>(k), '0');
    } else if (k < 0 && -k < count) {
        text = digits.insert(digits.size() - static_cast<std::size_t>(-k), ".");
    } else if (k < 0 && lead > -30) {
        text = "0." + std::string(static_cast<std::size_t>(-lead - 1), '0') + digits;
    } else {
        text = digits + "e" + std::to_string(k);
    }
    const bool negative = random() % 2 == 0;
    return {(negative ? "-" : "") + text, negative, {m, k}};
}

void readBackHoldsTheText(Random& random, int trial) {
    const DecimalText d = anyDecimal(random, trial);
    const bounds::ReadBack r = bounds::readBack(d.text);
    ASSERT_TRUE(r.valid) << d.text;
    EXPECT_EQ(std::signbit(r.value), d.negative) << d.text;
    const Dyadic magnitude = Dyadic::of(std::fabs(r.value));
    const Dyadic error = Dyadic::of(r.error);
    EXPECT_LE(compareDecimal(d.digits.m, d.digits.k, magnitude + error), 0)
        << d.text << " above " << r.value << " + " << r.error;
    const Dyadic low = magnitude - error;
    if (!low.negative) {
        EXPECT_GE(compareDecimal(d.digits.m, d.digits.k, low), 0)
            << d.text << " below " << r.value << " - " << r.error;
    }
    const double s = std::strtod(d.text.c_str(), nullptr);
    if (r.error == 0) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(r.value), std::bit_cast<std::uint64_t>(s))
            << d.text << " read as " << r.value << " with no error";
        return;
    }
    EXPECT_LE(r.error, 0x1p-47 * std::fabs(r.value)) << d.text << ": more than sixteen roundings";
    int exponent = 0;
    std::frexp(s, &exponent);
    const Dyadic slack = error + Dyadic::of(std::ldexp(1.0, exponent - 54));
    const Dyadic apart = Dyadic::of(r.value) - Dyadic::of(s);
    EXPECT_LE(compare(apart, slack), 0) << d.text << " read as " << r.value << " error " << r.error;
    EXPECT_GE(compare(apart + slack, Dyadic::of(0)), 0)
        << d.text << " read as " << r.value << " error " << r.error;
}

// ---------------------------------------------------------------------------
// The running bounds, against P(x) computed exactly. The polynomials have
// their roots near the point (the computed value is mostly rounding), or
// exactly at it (P(x) = 0, every step exact or not).

struct Polynomial {
    std::vector<Complex64> coefficients;  // highest power first, rounded as given
    Complex64 x;
};

Polynomial nearRoots(Random& random, int trial, bool single) {
    const int n = 1 + trial % 9;
    const bool integers = trial % 5 == 0;
    std::vector<Complex64> a{{1, 0}};
    std::vector<Complex64> roots;
    for (int k = 0; k < n; ++k) {
        const Complex64 root = integers ? Complex64{static_cast<double>(random() % 7) - 3, 0}
                                        : Complex64{uniform(random, -3, 3),
                                                    trial % 2 == 0 ? 0 : uniform(random, -3, 3)};
        roots.push_back(root);
        a.push_back({0, 0});
        for (std::size_t i = a.size() - 1; i > 0; --i) {
            a[i] = a[i] - root * a[i - 1];
        }
    }
    for (Complex64& c : a) {
        c = single ? Complex64{static_cast<float>(c.re), static_cast<float>(c.im)} : c;
    }
    const Complex64 near = roots[static_cast<std::size_t>(trial) % roots.size()];
    const double shift = integers ? 0 : 1e-6;
    Complex64 x{near.re * (1 + shift), near.im};
    x = single ? Complex64{static_cast<float>(x.re), static_cast<float>(x.im)} : x;
    return {a, x};
}

ExactComplex exactValue(const Polynomial& p) {
    const ExactComplex x = ExactComplex::of(p.x.re, p.x.im);
    ExactComplex value = ExactComplex::of(0, 0);
    for (const Complex64 c : p.coefficients) {
        value = value * x + ExactComplex::of(c.re, c.im);
    }
    return value;
}

// The sum of the terms' magnitudes, the scale of the rounding.
double size(const Polynomial& p) {
    const double x = std::hypot(p.x.re, p.x.im);
    double size = 0;
    for (const Complex64 c : p.coefficients) {
        size = size * x + std::hypot(c.re, c.im);
    }
    return size;
}

// |computed - exact| <= bound, decided exactly.
void expectWithin(Complex64 computed, const ExactComplex& exact, double bound) {
    const Dyadic apart = (ExactComplex::of(computed.re, computed.im) - exact).squaredModulus();
    EXPECT_LE(compare(apart, Dyadic::of(bound) * Dyadic::of(bound)), 0)
        << "computed " << computed.re << " " << computed.im << ", bound " << bound;
}

void evaluateBoundsItsError(Random& random, int trial) {
    const Polynomial p = nearRoots(random, trial, false);
    bounds::Coefficients a{};
    std::copy(p.coefficients.begin(), p.coefficients.end(), a.begin());
    const int count = static_cast<int>(p.coefficients.size());
    const bounds::Evaluated e = bounds::evaluate(a, count, p.x);
    const ExactComplex exact = exactValue(p);
    expectWithin(e.value, exact, e.error);
    if (e.exact) {
        EXPECT_EQ(compare(ExactComplex::of(e.value.re, e.value.im).re, exact.re), 0);
        EXPECT_EQ(compare(ExactComplex::of(e.value.re, e.value.im).im, exact.im), 0);
    }
    const Dyadic modulus = exact.squaredModulus();
    const double up = bounds::magnitudeUp(e);
    const double down = bounds::magnitudeDown(e);
    EXPECT_LE(compare(modulus, Dyadic::of(up) * Dyadic::of(up)), 0) << "magnitudeUp " << up;
    EXPECT_GE(compare(modulus, Dyadic::of(down) * Dyadic::of(down)), 0) << "magnitudeDown " << down;
    EXPECT_LE(e.error, 0x1p-40 * size(p)) << "far too loose";
}

void horner32BoundsItsError(Random& random, int trial) {
    const Polynomial p = nearRoots(random, trial, true);
    CoefficientTable table;
    for (const Complex64 c : p.coefficients) {
        table.coefficients[static_cast<std::size_t>(table.count++)] =
            Complex(static_cast<float>(c.re), static_cast<float>(c.im));
    }
    const Complex x(static_cast<float>(p.x.re), static_cast<float>(p.x.im));
    const Complex computed = evaluatePolynomial(table, x);
    const double bound = bounds::horner32ErrorBound(table, x);
    expectWithin({computed.re, computed.im}, exactValue(p), bound);
    EXPECT_LE(bound, 0x1p-16 * size(p) + 0x1p-140) << "far too loose";  // subnormal steps
}

// The binary32 scheme's bound against its formula evaluated exactly: the
// local terms l = 2^-24 (|m1| + |m2| + |pr| + |pi| + |accr| + |acci|)
// + 2^-63 (|m1| + |b||d| + |m2| + |a||d|) + 6 2^-150 of each step, carried
// as E = (|xr| + |xi|) E + l. The bound is at least E and above it by its
// roundings up only; a term left out or rounded down falls below E.
Dyadic exactHorner32Bound(const CoefficientTable& table, Complex x) {
    const auto magnitude = [](float v) { return Dyadic::of(std::fabs(double{v})); };
    const Dyadic xMagnitude = magnitude(x.re) + magnitude(x.im);
    Complex acc = table.coefficients[0];
    Dyadic error = Dyadic::of(0);
    for (int i = 1; i < table.count; ++i) {
        const Complex t = acc;
        const Complex p = x * t;
        acc = table.coefficients[static_cast<std::size_t>(i)] + p;
        const Dyadic m1 = magnitude(static_cast<float>(double{x.re} * double{t.re}));
        const Dyadic m2 = magnitude(static_cast<float>(double{x.im} * double{t.re}));
        const Dyadic single =
            m1 + m2 + magnitude(p.re) + magnitude(p.im) + magnitude(acc.re) + magnitude(acc.im);
        const Dyadic extended =
            m1 + magnitude(x.im) * magnitude(t.im) + m2 + magnitude(x.re) * magnitude(t.im);
        const Dyadic local = Dyadic::of(0x1p-24) * single + Dyadic::of(0x1p-63) * extended +
                             Dyadic::of(6 * 0x1p-150);
        error = xMagnitude * error + local;
    }
    return error;
}

void expectHorner32Formula(const CoefficientTable& table, Complex x) {
    const double bound = bounds::horner32ErrorBound(table, x);
    if (!std::isfinite(bound)) {
        return;
    }
    const Dyadic exact = exactHorner32Bound(table, x);
    EXPECT_GE(compare(Dyadic::of(bound), exact), 0) << "below its formula: " << bound;
    EXPECT_LE(compare(Dyadic::of(bound), exact * Dyadic::of(1 + 0x1p-40)), 0)
        << "far above its formula: " << bound;
}

void horner32IsItsFormulaRoundedUp(Random& random, int trial) {
    const Polynomial p = nearRoots(random, trial, true);
    CoefficientTable table;
    for (const Complex64 c : p.coefficients) {
        table.coefficients[static_cast<std::size_t>(table.count++)] =
            Complex(static_cast<float>(c.re), static_cast<float>(c.im));
    }
    expectHorner32Formula(table, Complex(static_cast<float>(p.x.re), static_cast<float>(p.x.im)));
}

// P = i x at x = 1: every rounding exact, the bound only the formula's,
// l = 2^-24 2 + 2^-63 + 6 2^-150, whose term 2^-63 |a||d| is 2^-40 of the
// whole. Its eleven roundings up, one unit each where inexact, give
// 2^-23 (1 + 2^-40 + 7 2^-52).
class Horner32BoundTest : public SolverTest {};

TEST_F(Horner32BoundTest, IsItsFormulaWhereEveryRoundingIsExact) {
    CoefficientTable table;
    table.coefficients[0] = Complex(0, 1);
    table.coefficients[1] = Complex(0, 0);
    table.count = 2;
    expectHorner32Formula(table, Complex(1, 0));
    EXPECT_EQ(bounds::horner32ErrorBound(table, Complex(1, 0)), 0x1.0000000001007p-23);
}

// ---------------------------------------------------------------------------

struct Contract {
    const char* name;
    void (*check)(Random& random, int trial);
    int cases;
};

using testing::PrintTo;

class ContractTest : public SolverTest, public ::testing::WithParamInterface<Contract> {};

TEST_P(ContractTest, HoldsInEveryRandomCase) {
    Random random(20261209);
    for (int trial = 0; trial < GetParam().cases && !HasFailure(); ++trial) {
        SCOPED_TRACE("case " + std::to_string(trial));
        GetParam().check(random, trial);
    }
}

const Contract kContracts[] = {
    {"PrintedPartIsPrintfG", &printedPartIsPrintfG, 2000},
    {"FormatSignificantIsPrintfG", &formatSignificantIsPrintfG, 2000},
    {"RadiusIsTheLeastSixDigitsAtLeastR", &radiusIsTheLeastSixDigitsAtLeastR, 600},
    {"ReadBackHoldsTheText", &readBackHoldsTheText, 2000},
    {"EvaluateBoundsItsError", &evaluateBoundsItsError, 400},
    {"Horner32BoundsItsError", &horner32BoundsItsError, 400},
    {"Horner32IsItsFormulaRoundedUp", &horner32IsItsFormulaRoundedUp, 400},
};

INSTANTIATE_TEST_SUITE_P(Bounds, ContractTest, ::testing::ValuesIn(kContracts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing
