#include "solver/recovery.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "solver/rounding_floor.hpp"
#include "test_support.hpp"

namespace secant::testing {
namespace {

using Coefficients = std::initializer_list<Complex>;

CoefficientTable tableOf(Coefficients coefficients) {
    loadTable(coefficients);
    return coefficientTable;
}

// Where the search from (0, 0) and (1, 1) meets no condition, the guarded one
// computes the same points and stops where it stops, and each reports none.
struct SameSearch {
    const char* name;
    Coefficients coefficients;
    SearchEnd end;
};

using testing::PrintTo;

class GuardedSameTest : public SolverTest, public ::testing::WithParamInterface<SameSearch> {};

TEST_P(GuardedSameTest, GivesWhatTheSearchGives) {
    const CoefficientTable table = tableOf(GetParam().coefficients);
    const SecantResult plain = findRootSecant();
    for (const GuardedSearch& search :
         {findRootGuarded(table, kSecantStart0, kSecantStart1), standardSearch()}) {
        EXPECT_EQ(search.end, GetParam().end);
        EXPECT_SAME_COMPLEX(search.result.root, plain.root.re, plain.root.im);
        EXPECT_EQ(search.result.iterations, plain.iterations);
        EXPECT_EQ(search.iteration, plain.iterations);
        EXPECT_EQ(search.result.converged, plain.converged);
        EXPECT_FALSE(search.condition.any());
    }
}

const SameSearch kSameSearches[] = {
    {"TwoRealRoots", {{1, 0}, {-3, 0}, {2, 0}}, SearchEnd::Converged},
    {"ImaginaryRoots", {{1, 0}, {0, 0}, {1, 0}}, SearchEnd::Converged},
    {"PassLimit", {{1000, 0}, {0, 0}, {0, 0}, {-1, 0}}, SearchEnd::PassLimit},
    {"OrderNine",
     {{0.001F, 0}, {0.01F, 0}, {0.1F, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}},
     SearchEnd::Converged},
};

INSTANTIATE_TEST_SUITE_P(Recovery, GuardedSameTest, ::testing::ValuesIn(kSameSearches),
                         [](const auto& info) { return std::string(info.param.name); });

// Where it meets one, the guarded search stops at the first point where it
// met it (before the division at a zero divisor), with the two points of
// that iteration; the standard search notes the same point and runs on to
// the end of findRootSecant, and each reports every condition it raised.
struct MetCase {
    const char* name;
    Coefficients coefficients;
    SearchEnd end;
    int iteration;
    Complex x0;                   // the older point of that iteration
    ArithmeticFlags stoppedWith;  // what the guarded search raised
    ArithmeticFlags ranOnWith;    // what the standard search raised
};

class MetTest : public SolverTest, public ::testing::WithParamInterface<MetCase> {};

void expectSameFlags(ArithmeticFlags got, ArithmeticFlags wanted) {
    EXPECT_EQ(got.invalid, wanted.invalid);
    EXPECT_EQ(got.divisionByZero, wanted.divisionByZero);
    EXPECT_EQ(got.overflow, wanted.overflow);
}

TEST_P(MetTest, NotesWhereAndWhat) {
    const MetCase& c = GetParam();
    const CoefficientTable table = tableOf(c.coefficients);
    const GuardedSearch guarded = findRootGuarded(table, kSecantStart0, kSecantStart1);
    EXPECT_EQ(guarded.end, c.end);
    EXPECT_EQ(guarded.iteration, c.iteration);
    expectSameFlags(guarded.condition, c.stoppedWith);
    EXPECT_SAME_COMPLEX(guarded.x0, c.x0.re, c.x0.im);
    const GuardedSearch standard = standardSearch();
    EXPECT_EQ(standard.end, c.end);
    EXPECT_EQ(standard.iteration, c.iteration);
    for (const auto& [got, wanted] : {std::pair{standard.x0, guarded.x0},
                                      {standard.f0, guarded.f0},
                                      {standard.x1, guarded.x1},
                                      {standard.f1, guarded.f1}}) {
        EXPECT_SAME_COMPLEX(got, wanted.re, wanted.im);
    }
    expectSameFlags(standard.condition, c.ranOnWith);
    clearArithmeticFlags();
    const SecantResult plain = findRootSecant();
    expectSameFlags(raisedArithmeticFlags(), c.ranOnWith);
    EXPECT_SAME_COMPLEX(standard.result.root, plain.root.re, plain.root.im);
    EXPECT_EQ(standard.result.iterations, plain.iterations);
}

const MetCase kMetCases[] = {
    // Both start points are roots: 0 / 0 in the first quotient.
    {"ZeroDivisor",
     {{1, 0}, {-1, -1}, {0, 0}},
     SearchEnd::ZeroDivisor,
     1,
     {0, 0},
     {},
     {true, false, false}},
    // The third pass jumps to about 6.6e7, where x^9 overflows.
    {"OverflowOfX9MinusOne",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, 0}},
     SearchEnd::Condition,
     3,
     {0.0625F, 0},         // the first pass's point, 1/16
     {true, false, true},  // inf - inf in the same pass
     {true, false, true}},
    // An infinite coefficient: 0 times infinity at the start point (0, 0).
    {"InfiniteCoefficient",
     {{std::numeric_limits<float>::infinity(), 0}, {1, 0}},
     SearchEnd::Condition,
     0,
     {0, 0},
     {true, false, false},
     {true, false, false}},
};

INSTANTIATE_TEST_SUITE_P(Recovery, MetTest, ::testing::ValuesIn(kMetCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An observer whose own work raises every condition: the search computes,
// and reports, what it computes without it.
void raiseEverything(void* context, int, Complex, double) {
    ++*static_cast<int*>(context);
    restoreArithmeticFlags({true, true, true});
}

TEST_F(SolverTest, WhatAnObserverRaisesIsNotTheSearchs) {
    const CoefficientTable table = tableOf({{1, 0}, {-3, 0}, {2, 0}});
    int calls = 0;
    const SecantObserver observer{&raiseEverything, &calls, nullptr, nullptr};
    for (const GuardedSearch& search :
         {findRootGuarded(table, kSecantStart0, kSecantStart1, &observer),
          standardSearch(&observer)}) {
        EXPECT_EQ(search.end, SearchEnd::Converged);
        EXPECT_EQ(search.result.iterations, 7);
        EXPECT_FALSE(search.condition.any());
    }
    EXPECT_EQ(calls, 14);
}

// The rounding floor: whether evaluatePolynomial's value at x can be told from zero.
struct FloorCase {
    const char* name;
    Coefficients coefficients;
    Complex x;
    bool cannotTell;
};

class FloorTest : public SolverTest, public ::testing::WithParamInterface<FloorCase> {};

TEST_P(FloorTest, TellsRoundingNoiseFromAValue) {
    const CoefficientTable table = tableOf(GetParam().coefficients);
    EXPECT_EQ(cannotBeToldFromZero(table, GetParam().x), GetParam().cannotTell);
}

const FloorCase kFloorCases[] = {
    {"ExactRoot", {{1, 0}, {-1, 0}}, {1, 0}, true},
    {"NoRoot", {{1, 0}, {-1, 0}}, {1.5F, 0}, false},
    {"ImaginaryUnitIsExact", {{1, 0}, {0, 0}, {1, 0}}, {0, 1}, true},
    {"NextToTheImaginaryUnit", {{1, 0}, {0, 0}, {1, 0}}, {0, 1.0001F}, false},
    // (x - 1)^4 at 1.001 is 1e-12, far below the rounding of terms of size 6.
    {"NearAFourfoldRoot", {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}}, {1.001F, 0}, true},
    {"FarFromAFourfoldRoot", {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}}, {1.1F, 0}, false},
    {"HugeCoefficients", {{3e38F, 0}, {-3e38F, 0}}, {1, 0}, true},
    // A value of 1e-6, below the tolerance but far above the noise of a
    // polynomial of size 1: the arithmetic tells it from zero.
    {"SmallButTold", {{1, 0}, {-1e-6F, 0}}, {0, 0}, false},
};

INSTANTIATE_TEST_SUITE_P(Recovery, FloorTest, ::testing::ValuesIn(kFloorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolverTest, LogarithmAndPowerAreExactOnPowersOfTwo) {
    for (const int e : {-1074, -149, -1, 0, 1, 127, 1023}) {
        EXPECT_EQ(binaryLogarithm(std::ldexp(1.0, e)), e);
        EXPECT_EQ(binaryPower(e), std::ldexp(1.0, e));
    }
    EXPECT_NEAR(binaryLogarithm(10), 3.321928094887362, 1e-8);
    EXPECT_NEAR(binaryLogarithm(0.3), -1.736965594166206, 1e-8);
    for (const double v : {1e-30, 0.3, 1.5, 7.0, 1e20}) {
        EXPECT_NEAR(binaryPower(binaryLogarithm(v)) / v, 1, 1e-8) << v;
    }
}

// The radii of the Newton polygon, smallest first, then the Fujiwara bound.
struct RadiiCase {
    const char* name;
    Coefficients coefficients;
    std::initializer_list<double> radii;
};

class RadiiTest : public SolverTest, public ::testing::WithParamInterface<RadiiCase> {};

TEST_P(RadiiTest, EstimateTheModuliOfTheRoots) {
    const RootRadii radii = estimateRootRadii(tableOf(GetParam().coefficients));
    ASSERT_EQ(static_cast<std::size_t>(radii.count), GetParam().radii.size());
    std::size_t i = 0;
    for (const double expected : GetParam().radii) {
        EXPECT_NEAR(radii.radius[i] / expected, 1, 1e-6) << i;
        ++i;
    }
}

const RadiiCase kRadiiCases[] = {
    {"X9MinusOne",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, 0}},
     {1, 1.851749424574581}},  // 2 (1/2)^(1/9)
    // (x - 1)(x - 100)(x - 10000): 1, -10101, 1010100, -1000000.
    {"ThreeScales",
     {{1, 0}, {-10101, 0}, {1010100, 0}, {-1000000, 0}},
     {0.9900009900009901, 100.0, 10101, 2 * 10101}},
    // x^2 (x - 4): the hull starts at x^2; the root 0 has no radius.
    {"ZeroFreeTerm", {{1, 0}, {-4, 0}, {0, 0}, {0, 0}}, {4, 8}},
    {"LeadingZero", {{0, 0}, {1, 0}, {-2, 0}}, {}},
};

INSTANTIATE_TEST_SUITE_P(Recovery, RadiiTest, ::testing::ValuesIn(kRadiiCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolverTest, StartPairsTurnThroughTheRadiiOffTheAxes) {
    const RootRadii radii =
        estimateRootRadii(tableOf({{1, 0}, {-10101, 0}, {1010100, 0}, {-1000000, 0}}));
    for (int attempt = 1; attempt <= kMaxOtherAttempts; ++attempt) {
        const StartPair pair = otherStartPair(radii, attempt);
        const double r = radii.radius[static_cast<std::size_t>((attempt - 1) % radii.count)];
        EXPECT_NEAR(std::hypot(pair.x0.re, pair.x0.im) / r, 1, 1e-6);
        EXPECT_GT(std::fabs(pair.x0.re), 0.1 * r);  // at least 8 degrees off each axis
        EXPECT_GT(std::fabs(pair.x0.im), 0.1 * r);
        EXPECT_FALSE(pair.x1.re == pair.x0.re && pair.x1.im == pair.x0.im);
        if (attempt > 1) {
            const StartPair before = otherStartPair(radii, attempt - 1);
            EXPECT_FALSE(before.x0.re == pair.x0.re && before.x0.im == pair.x0.im);
        }
    }
}

struct ScaleCase {
    const char* name;
    Coefficients coefficients;
    int scale;
};

class ScaleTest : public SolverTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(ScaleTest, ScalesExactlyOrNotAtAll) {
    const CoefficientTable table = tableOf(GetParam().coefficients);
    int scale = 1;
    const CoefficientTable scaled = scaledTable(table, scale);
    EXPECT_EQ(scale, GetParam().scale);
    for (int i = 0; i < table.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(std::ldexp(scaled.coefficients[k].re, -scale), table.coefficients[k].re);
        EXPECT_EQ(std::ldexp(scaled.coefficients[k].im, -scale), table.coefficients[k].im);
    }
}

const ScaleCase kScaleCases[] = {
    {"LargestToOneTwo", {{3e38F, 0}, {-3e38F, 0}}, -127},
    {"SmallUp", {{0, 0.25F}, {0.125F, 0}}, 2},
    // 1e-30 is just above 2^-100 and may go down by 26 binary orders only.
    {"KeptInTheNormalRange", {{1e-30F, 0}, {-1e20F, 0}, {1e20F, 0}}, -26},
    {"WiderThanTheRange", {{1e-45F, 0}, {1e38F, 0}}, 0},
};

INSTANTIATE_TEST_SUITE_P(Recovery, ScaleTest, ::testing::ValuesIn(kScaleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// One root, with how it was found.
struct RootCase {
    const char* name;
    Coefficients coefficients;
    bool hasRoot;
    RootOrigin origin;
    bool atRoundingFloor;
    bool exact;    // the root is known exactly:
    Complex root;  // this one
};

class FindRootTest : public SolverTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(FindRootTest, FindsTheRootAndSaysHow) {
    const RootCase& c = GetParam();
    loadTable(c.coefficients);
    const RootSearch search = findRoot();
    EXPECT_EQ(search.hasRoot, c.hasRoot);
    if (!c.hasRoot) {
        EXPECT_TRUE(search.condition.any());
        return;
    }
    EXPECT_EQ(search.origin, c.origin);
    EXPECT_EQ(search.atRoundingFloor, c.atRoundingFloor);
    EXPECT_EQ(search.condition.any(), c.origin != RootOrigin::StandardSearch);
    EXPECT_EQ(search.attempt > 0, c.origin == RootOrigin::OtherStart);
    if (c.exact) {
        EXPECT_SAME_COMPLEX(search.result.root, c.root.re, c.root.im);
    }
    // Whatever found it, the root is a root: within the tolerance or at the floor.
    const bool told = cannotBeToldFromZero(coefficientTable, search.result.root);
    EXPECT_TRUE(search.result.converged || told);
}

const RootCase kRootCases[] = {
    {"Standard", {{1, 0}, {-1, 0}}, true, RootOrigin::StandardSearch, false, true, {1, 0}},
    {"BothStartPointsRoots",
     {{1, 0}, {-1, -1}, {0, 0}},
     true,
     RootOrigin::RoundingFloor,
     true,
     true,
     {1, 1}},
    {"X9MinusOne",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, 0}},
     true,
     RootOrigin::OtherStart,
     false,
     false,
     {}},
    {"StartValuesEqual",
     {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}},
     true,
     RootOrigin::OtherStart,
     false,
     false,
     {}},
    {"HugeLinear", {{3e38F, 0}, {-3e38F, 0}}, true, RootOrigin::OtherStart, false, false, {}},
    // The search overflows at once; P(0) is exactly zero.
    {"ZeroAfterAnOverflow",
     {{1e-30F, 0}, {-1e20F, 0}, {0, 0}},
     true,
     RootOrigin::RoundingFloor,
     true,
     true,
     {0, 0}},
    {"RootBeyondTheRange",
     {{1e-30F, 0}, {1e30F, 0}},
     false,
     RootOrigin::StandardSearch,
     false,
     false,
     {}},
};

INSTANTIATE_TEST_SUITE_P(Recovery, FindRootTest, ::testing::ValuesIn(kRootCases),
                         [](const auto& info) { return std::string(info.param.name); });

// f(y) = 2^t P(2^s y): the largest part to [1, 2), each part exact, or no table.
struct VariableScaleCase {
    const char* name;
    Coefficients coefficients;
    int variableScale;
    bool exact;
    int scale;
};

class VariableScaleTest : public SolverTest,
                          public ::testing::WithParamInterface<VariableScaleCase> {};

TEST_P(VariableScaleTest, ScalesTheVariableExactlyOrNotAtAll) {
    const VariableScaleCase& c = GetParam();
    const CoefficientTable table = tableOf(c.coefficients);
    CoefficientTable scaled;
    int scale = 12345;
    ASSERT_EQ(scaledTable(table, c.variableScale, scaled, scale), c.exact);
    if (!c.exact) {
        EXPECT_EQ(scale, 12345);
        return;
    }
    EXPECT_EQ(scale, c.scale);
    const int n = table.count - 1;
    for (int i = 0; i < table.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int by = c.variableScale * (n - i) + scale;
        EXPECT_EQ(std::ldexp(scaled.coefficients[k].re, -by), table.coefficients[k].re) << i;
        EXPECT_EQ(std::ldexp(scaled.coefficients[k].im, -by), table.coefficients[k].im) << i;
    }
}

const VariableScaleCase kVariableScaleCases[] = {
    // x^2 - 4 at x = 2y: 4 y^2 - 4, brought to y^2 - 1.
    {"TermsEqualOnTheCircle", {{1, 0}, {0, 0}, {-4, 0}}, 1, true, -2},
    // 1e25 x^2 + 1 at x = 2^-42 y: about 0.58 y^2 + 1, as it is.
    {"TinyRoots", {{1e25F, 0}, {0, 0}, {1, 0}}, -42, true, 0},
    {"SameAsTheTableAtZero", {{3e38F, 0}, {-3e38F, 0}}, 0, true, -127},
    // 2^260 y^2 + 1: no power of two keeps both parts in the range.
    {"WiderThanTheRange", {{1, 0}, {0, 0}, {1, 0}}, 130, false, 0},
};

INSTANTIATE_TEST_SUITE_P(Recovery, VariableScaleTest, ::testing::ValuesIn(kVariableScaleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every root, where they all lie within the normal binary32 range however
// small or large: each listed root within a relative 1e-5 of a true one (the
// true roots as double formulas of the binary32 coefficients, checked
// against mpmath), and no true root left without a listed one.
using Roots = std::vector<std::complex<double>>;

void expectEveryRoot(const Roots& roots, const char* name) {
    const FoundRoots solved = findRoots();
    ASSERT_FALSE(solved.failure.any()) << name;
    ASSERT_EQ(solved.count, static_cast<int>(roots.size())) << name;
    const auto listed = solved.listed();
    std::vector<bool> matched(roots.size(), false);
    for (int k = 1; k <= solved.count; ++k) {
        const Complex x = listed[static_cast<std::size_t>(k)];
        const std::complex<double> z(x.re, x.im);
        std::size_t nearest = 0;
        for (std::size_t j = 1; j < roots.size(); ++j) {
            if (std::abs(z - roots[j]) < std::abs(z - roots[nearest])) {
                nearest = j;
            }
        }
        EXPECT_LE(std::abs(z - roots[nearest]), 1e-5 * std::abs(roots[nearest]))
            << name << " x" << k << " = " << x.re << " " << x.im;
        EXPECT_FALSE(matched[nearest]) << name << " x" << k << " repeats a root";
        matched[nearest] = true;
    }
}

struct RangeCase {
    const char* name;
    Coefficients coefficients;
    Roots roots;
};

class RangeTest : public SolverTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeTest, FindsEveryRootInTheRange) {
    loadTable(GetParam().coefficients);
    expectEveryRoot(GetParam().roots, GetParam().name);
}

const double kTenthRoots = 1 / std::sqrt(double{1e25F});
const double kLargestSquareRoot = std::sqrt(double{std::numeric_limits<float>::max()});
const double kSmallRoots = 1 / std::sqrt(double{3e38F});

// 1e-5 times the tenth roots of unity but 1: the roots of the binary32
// coefficients lie within 2e-8 of them, relatively (mpmath).
Roots tenthRootsOfUnity() {
    Roots roots;
    for (int k = 1; k < 10; ++k) {
        roots.push_back(std::polar(1e-5, 2 * std::numbers::pi * k / 10));
    }
    return roots;
}

const RangeCase kRangeCases[] = {
    {"TinyImaginaryRoots", {{1e25F, 0}, {0, 0}, {1, 0}}, {{0, kTenthRoots}, {0, -kTenthRoots}}},
    {"NineRootsOfModulus1eMinus5",
     {{1e20F, 0},
      {1e15F, 0},
      {1e10F, 0},
      {1e5F, 0},
      {1, 0},
      {1e-5F, 0},
      {1e-10F, 0},
      {1e-15F, 0},
      {1e-20F, 0},
      {1e-25F, 0}},
     tenthRootsOfUnity()},
    {"HugeLeadingCoefficient",
     {{3e38F, 0}, {0, 0}, {-1, 0}},
     {{kSmallRoots, 0}, {-kSmallRoots, 0}}},
    // The deflation's remainder, x1 * x1 - 3.4028235e38, overflows: it is
    // discarded, and x2 is found.
    {"SquareRootOfTheLargest",
     {{1, 0}, {0, 0}, {-std::numeric_limits<float>::max(), 0}},
     {{kLargestSquareRoot, 0}, {-kLargestSquareRoot, 0}}},
    // Deflated by x1 = -9.56e-29 + 6.6e-37i, two coefficients get imaginary
    // parts below 1e-38, no digits of theirs: scaling them was refused, or
    // took the others 2^19 up, and no search found x2 (mpmath's roots).
    {"NegligibleSubnormalParts",
     {{0.00292660306F, 0},
      {-5.4091326e-13F, 0},
      {-1.90841844e-14F, 0},
      {7.1104784e-08F, 0},
      {1.69165253e+14F, 0},
      {1.61748566e-14F, 0}},
     {{-9.5615712277e-29, 0},
      {10964.071094112, 10964.071094112},
      {10964.071094112, -10964.071094112},
      {-10964.071094112, 10964.071094112},
      {-10964.071094112, -10964.071094112}}},
};

INSTANTIATE_TEST_SUITE_P(Recovery, RangeTest, ::testing::ValuesIn(kRangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// 1e<p> x^2 + 1e<q>, roots +-i sqrt(1e<q> / 1e<p>): for p >= 20 and
// q <= p - 25 the search from (0, 0) and (1, 1) overflows; every such pair
// whose roots lie in the normal range (q >= p - 75) gives both. (1e-45, the
// least subnormal, is a value of P(0) that cannot be told from zero, and 0
// is taken as the root there before any other search.)
TEST_F(SolverTest, FindsTinyRootsOverAGrid) {
    for (int p = 20; p <= 38; ++p) {
        for (int q = std::max(p - 75, -44); q <= p - 25; ++q) {
            const float a0 = std::strtof(("1e" + std::to_string(p)).c_str(), nullptr);
            const float a2 = std::strtof(("1e" + std::to_string(q)).c_str(), nullptr);
            const double r = std::sqrt(double{a2} / double{a0});
            loadTable({{a0, 0}, {0, 0}, {a2, 0}});
            const std::string name = "1e" + std::to_string(p) + " 0 1e" + std::to_string(q);
            expectEveryRoot({{0, r}, {0, -r}}, name.c_str());
        }
    }
}

// Roots beyond the range: the run ends at the first root with the condition.
struct BeyondCase {
    const char* name;
    Coefficients coefficients;
};

class BeyondTest : public SolverTest, public ::testing::WithParamInterface<BeyondCase> {};

TEST_P(BeyondTest, EndsWithTheCondition) {
    loadTable(GetParam().coefficients);
    const FoundRoots solved = findRoots();
    EXPECT_EQ(solved.count, 0);
    EXPECT_TRUE(solved.failure.any());
}

const BeyondCase kBeyondCases[] = {
    {"RootMinus1e60", {{1e-30F, 0}, {1e30F, 0}}},
    // +-2.7e41, beyond the largest binary32.
    {"RootsNear2e41", {{1e-45F, 0}, {0, 0}, {-1e38F, 0}}},
    // +-1e-39 i: below the normal range, where no root may be listed.
    {"RootsBelowTheNormalRange", {{1e38F, 0}, {0, 0}, {1e-40F, 0}}},
};

INSTANTIATE_TEST_SUITE_P(Recovery, BeyondTest, ::testing::ValuesIn(kBeyondCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing
