// The refinement of every root in binary64, the multiple roots among them,
// the digits each refined part is printed with, and which listed roots are
// shown within the method's tolerance of a root.
#include "solver/refinement.hpp"

#include <cmath>
#include <complex>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/refined.hpp"
#include "solver/bounds/decimal.hpp"
#include "solver/bounds/inclusion.hpp"
#include "solver/recovery.hpp"
#include "test_support.hpp"

namespace secant::testing {
namespace {

using testing::PrintTo;

using Coefficients = std::initializer_list<Complex>;

CoefficientTable tableOf(Coefficients coefficients) {
    loadTable(coefficients);
    return coefficientTable;
}

}  // namespace
}  // namespace secant::testing

namespace secant::testing {
namespace {

using testing::PrintTo;

// The refinement: from the listed roots, damaged or not, to the roots of the
// equation as read.
struct RefineCase {
    const char* name;
    Coefficients coefficients;
    std::initializer_list<Complex> listed;
    std::initializer_list<std::complex<double>> roots;
    double within;
};

class RefineTest : public SolverTest, public ::testing::WithParamInterface<RefineCase> {};

TEST_P(RefineTest, ConvergesToEveryRoot) {
    const RefineCase& c = GetParam();
    const CoefficientTable asRead = tableOf(c.coefficients);
    std::array<Complex, kMaxCoefficients> listed{};
    int found = 0;
    for (const Complex z : c.listed) {
        listed[static_cast<std::size_t>(++found)] = z;
    }
    const RefinedRoots refined = refineRoots(asRead, listed, found);
    EXPECT_TRUE(refined.converged);
    EXPECT_LE(refined.iterations, kMaxRefinementIterations);
    for (const std::complex<double> root : c.roots) {
        double nearest = INFINITY;
        for (int k = 1; k < asRead.count; ++k) {
            const Complex64 z = refined.roots[static_cast<std::size_t>(k)];
            nearest = std::fmin(nearest, std::abs(std::complex<double>(z.re, z.im) - root));
        }
        EXPECT_LE(nearest, c.within) << root;
    }
}

const RefineCase kRefineCases[] = {
    // After the pass-limit search the listed roots are near 0.0007, not 0.1.
    {"AfterThePassLimit",
     {{1000, 0}, {0, 0}, {0, 0}, {-1, 0}},
     {{-0.000568896765F, -0.00048828125F},
      {-0.000133021065F, 0.000734785106F},
      {0.000701917801F, -0.000246503827F}},
     {{0.1, 0}, {-0.05, 0.0866025403784438647}, {-0.05, -0.0866025403784438647}},
     1e-15},
    {"EqualStarts", {{1, 0}, {0, 0}, {-4, 0}}, {{1, 0}, {1, 0}}, {{2, 0}, {-2, 0}}, 1e-15},
    {"StartsNotFinite",
     {{1, 0}, {-6, 0}, {11, 0}, {-6, 0}},
     {{INFINITY, 0}, {NAN, 0}, {2, 0}},
     {{1, 0}, {2, 0}, {3, 0}},
     1e-14},
    // A root that no search found: its start is on the circle of all roots.
    {"FewerListed", {{1, 0}, {0, 0}, {1, 0}}, {{0, 1}}, {{0, 1}, {0, -1}}, 1e-15},
    // A fourfold root is found to the fourth root of the rounding: 1e-4.
    {"FourfoldRoot",
     {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}},
     {{0.933697F, 0.0112632F},
      {1.0111F, 0.066245F},
      {1.06641F, -0.0110312F},
      {0.988801F, -0.0664769F}},
     {{1, 0}},
     3e-4},
};

INSTANTIATE_TEST_SUITE_P(Refinement, RefineTest, ::testing::ValuesIn(kRefineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Roots near 0.5 and one near 3e37, where P and the corrections leave the
// binary64 range: no step shows the disks stopped shrinking, so the
// refinement goes on to its limit and says it did not converge.
TEST_F(SolverTest, CorrectionsBeyondTheRangeGoOnToTheLimit) {
    const CoefficientTable asRead = tableOf({{1e-20F, 0},
                                             {-3e17F, 0},
                                             {1.2e18F, 0},
                                             {-2.1e18F, 0},
                                             {2.1e18F, 0},
                                             {-1.3125e18F, 0},
                                             {5.25e17F, 0},
                                             {-1.3125e17F, 0},
                                             {1.875e16F, 0},
                                             {-1.171875e15F, 0}});
    const RefinedRoots refined = refineRoots(asRead, {}, 0);
    EXPECT_FALSE(refined.converged);
    EXPECT_EQ(refined.iterations, kMaxRefinementIterations);
}

}  // namespace
}  // namespace secant::testing

namespace secant::testing {
namespace {

using testing::PrintTo;

std::array<Complex, kMaxCoefficients> listedOf(std::initializer_list<Complex> roots, int& found) {
    std::array<Complex, kMaxCoefficients> listed{};
    found = 0;
    for (const Complex z : roots) {
        listed[static_cast<std::size_t>(++found)] = z;
    }
    return listed;
}

// The unit of the last digit of a part printed with `digits` significant
// digits: from its text, which may drop trailing zeros, so at most that.
double lastDigitUnit(const std::string& text) {
    const std::size_t e = text.find('e');
    const std::string mantissa = text.substr(0, e);
    const int exponent = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
    const std::size_t point = mantissa.find('.');
    const int decimals =
        point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    return std::pow(10.0, exponent - decimals);
}

// The refined listing as printed: every true root has a printed root within
// the digits it shows, a multiple root is printed once per member with its
// multiplicity, and no part shows a digit whose unit is below its disk's
// radius.
struct ListingCase {
    const char* name;
    Coefficients coefficients;
    std::initializer_list<Complex> listed;
    // The true roots, each with its multiplicity as the listing should say.
    std::vector<std::pair<std::complex<double>, int>> roots;
    double exactRadius;  // the largest radius expected (0: every root printed exactly)
};

class RefinedListingTest : public SolverTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(RefinedListingTest, PrintsEachRootWithTheDigitsItsDiskJustifies) {
    const ListingCase& c = GetParam();
    const CoefficientTable asRead = tableOf(c.coefficients);
    int found = 0;
    const std::array<Complex, kMaxCoefficients> listed = listedOf(c.listed, found);
    const RefinedListing listing = refineListing(asRead, listed, found);
    EXPECT_TRUE(listing.refined.converged);
    std::vector<bool> taken(static_cast<std::size_t>(listing.count + 1), false);
    for (const auto& [root, multiplicity] : c.roots) {
        for (int m = 0; m < multiplicity; ++m) {
            int match = 0;
            for (int k = 1; k <= listing.count && match == 0; ++k) {
                const PrintedRoot& printed = listing.printed[static_cast<std::size_t>(k)];
                const RootDisk& disk = listing.disks[static_cast<std::size_t>(k)];
                const std::complex<double> at(std::strtod(printed.re.c_str(), nullptr),
                                              std::strtod(printed.im.c_str(), nullptr));
                if (!taken[static_cast<std::size_t>(k)] && disk.multiplicity == multiplicity &&
                    std::abs(at - root) <= disk.radius + 1e-300) {
                    match = k;
                }
            }
            ASSERT_NE(match, 0) << "no printed root for " << root << " of multiplicity "
                                << multiplicity;
            taken[static_cast<std::size_t>(match)] = true;
        }
    }
    for (int k = 1; k <= listing.count; ++k) {
        const RootDisk& disk = listing.disks[static_cast<std::size_t>(k)];
        ASSERT_NE(disk.kind, DiskKind::None) << k;
        EXPECT_LE(disk.radius, c.exactRadius) << k;
        for (const std::string& part : {listing.printed[static_cast<std::size_t>(k)].re,
                                        listing.printed[static_cast<std::size_t>(k)].im}) {
            if (part != "0") {
                EXPECT_GE(lastDigitUnit(part), disk.radius) << k << ": " << part;
            }
        }
    }
}

const ListingCase kListingCases[] = {
    // (x - 1)^4 exact in binary32: 1, four times, with radius 0.
    {"FourfoldRoot",
     {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}},
     {{0.933697F, 0.0112632F},
      {1.0111F, 0.066245F},
      {1.06641F, -0.0110312F},
      {0.988801F, -0.0664769F}},
     {{{1, 0}, 4}},
     0},
    {"DoubleRoot",
     {{1, 0}, {2, 0}, {1, 0}},
     {{-0.997493F, 0.000493271F}, {-1.00251F, -0.000493348F}},
     {{{-1, 0}, 2}},
     0},
    // (x - 1)^4 (x + 2)^3: two multiple roots, each exact.
    {"TwoMultipleRoots",
     {{1, 0}, {2, 0}, {-6, 0}, {-8, 0}, {17, 0}, {6, 0}, {-20, 0}, {8, 0}},
     {},
     {{{1, 0}, 4}, {{-2, 0}, 3}},
     0},
    // x^4: the listed zeros stay zero, and are one root of multiplicity 4.
    {"ZeroRoot",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
     {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
     {{{0, 0}, 4}},
     0},
    // (x - (1 + i))^3: a complex multiple root.
    {"ComplexTripleRoot", {{1, 0}, {-3, -3}, {0, 6}, {2, -2}}, {}, {{{1, 1}, 3}}, 0},
    // x^9 + 1e-38 listed at 0: the roots are on |z| = 6e-5, found afresh
    // from the Newton polygon's circle.
    {"TinyRootsListedAtZero",
     {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1e-38F, 0}},
     {{-6.25e-40F, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {6.25e-40F, 0}},
     {{{5.6333092223644e-05, 2.0503568773579e-05}, 1},
      {{-5.99484245992372e-05, 0}, 1},
      {{2.9974212299619e-05, 5.1916858619795e-05}, 1},
      {{-1.04099346856609e-05, 5.90376733261966e-05}, 1}},
     1e-17},
    // A close complex pair, 9.5e-4 apart, whose corrections first grow.
    {"ClosePair",
     {{1, 0},
      {-1.91259789F, 0},
      {-58.0638962F, 0},
      {129.060211F, 0},
      {911.57074F, 0},
      {-2219.82251F, 0},
      {-3173.76025F, 0},
      {8053.76611F, 0}},
     {{2.4507F, -4.59477e-09F},
      {2.45156F, 7.10133e-09F},
      {-2.21515F, 0},
      {4.16977F, 0},
      {-4.42056F, 0},
      {5.47388F, 0},
      {-5.99759F, 0}},
     {{{2.4511325770577, 0.000473745982}, 1}, {{2.4511325770577, -0.000473745982}, 1}},
     1e-10},
};

INSTANTIATE_TEST_SUITE_P(Refinement, RefinedListingTest, ::testing::ValuesIn(kListingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A root of multiplicity k: exactly, within the rounding of the coefficients,
// or not one at all.
struct MultipleCase {
    const char* name;
    Coefficients coefficients;
    Complex64 near;
    int k;             // how many crowd there
    int multiplicity;  // found: 0 where no multiple root is
    bool exact;
    Complex64 centre;  // where found
};

class MultipleRootTest : public SolverTest, public ::testing::WithParamInterface<MultipleCase> {};

TEST_P(MultipleRootTest, IsFoundWhereTheEquationHasIt) {
    const MultipleCase& c = GetParam();
    const MultipleRoot multiple = findMultipleRoot(tableOf(c.coefficients), c.near, c.k);
    EXPECT_EQ(multiple.found, c.multiplicity > 0);
    EXPECT_EQ(multiple.multiplicity, c.multiplicity);
    EXPECT_EQ(multiple.exact, c.exact);
    if (multiple.found) {
        EXPECT_NEAR(multiple.centre.re, c.centre.re, 1e-12);
        EXPECT_NEAR(multiple.centre.im, c.centre.im, 1e-12);
    }
    if (c.exact) {
        EXPECT_EQ(multiple.centre.re, c.centre.re);
        EXPECT_EQ(multiple.centre.im, c.centre.im);
    }
}

const MultipleCase kMultipleCases[] = {
    {"ExactFourfold", {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}}, {1.01, 0.02}, 4, 4, true, {1, 0}},
    // Three crowding about a fourfold root: the third derivative is zero
    // there too, so four.
    {"FourWhereThreeCrowd",
     {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}},
     {1.01, 0.02},
     3,
     4,
     true,
     {1, 0}},
    // (x - (1 + i))^3, complex.
    {"ComplexTriple", {{1, 0}, {-3, -3}, {0, 6}, {2, -2}}, {1.001, 0.999}, 3, 3, true, {1, 1}},
    // (x - 0.1)^2 as typed: 0.2 and 0.01 rounded to binary32 leave two roots
    // 1.7e-5 apart, one double root within that rounding, about 0.1.
    {"DoubleWithinRounding",
     {{1, 0}, {-0.2F, 0}, {0.01F, 0}},
     {0.1, 0},
     2,
     2,
     false,
     {0.100000001490116, 0}},
    // Roots 1 and 1.5 are no double root.
    {"TwoApart", {{1, 0}, {-2.5F, 0}, {1.5F, 0}}, {1.25, 0}, 2, 0, false, {}},
};

INSTANTIATE_TEST_SUITE_P(Refinement, MultipleRootTest, ::testing::ValuesIn(kMultipleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Pellet's disk around a centre holds exactly k roots: the radius found is
// at least the distance to the k-th nearest root and below that to the next
// (or, where there is none, within the factor that the theorem loses).
struct PelletCase {
    const char* name;
    Coefficients coefficients;
    Complex64 centre;
    int k;
    double atLeast;  // the k-th nearest root's distance
    double below;    // the next one's, or infinity where no disk is to be shown
};

class PelletTest : public SolverTest, public ::testing::WithParamInterface<PelletCase> {};

TEST_P(PelletTest, HoldsExactlyKRoots) {
    const PelletCase& c = GetParam();
    const CoefficientTable table = tableOf(c.coefficients);
    const double radius =
        inclusion::multipleRootRadius(bounds::widened(table), table.count, {c.centre, 0}, c.k);
    if (std::isinf(c.below)) {
        EXPECT_TRUE(std::isinf(radius)) << radius;
        return;
    }
    EXPECT_GE(radius, c.atLeast);
    EXPECT_LT(radius, c.below);
}

const PelletCase kPelletCases[] = {
    {"ExactFourfoldIsAPoint", {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}}, {1, 0}, 4, 0, 1e-300},
    // Off the fourfold root by 1e-3: Pellet's disk holds it at some five
    // times that distance.
    {"NearTheFourfold", {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}}, {1.001, 0}, 4, 1e-3, 1e-2},
    // (x - 1)(x - 2)(x - 5) about 1.1: one root within 0.1, two more beyond 0.9.
    {"OneOfThree", {{1, 0}, {-8, 0}, {17, 0}, {-10, 0}}, {1.1, 0}, 1, 0.1, 0.9},
    {"TwoOfThree", {{1, 0}, {-8, 0}, {17, 0}, {-10, 0}}, {1.5, 0}, 2, 0.5, 3.5},
    // Midway between 1 and 2 the first derivative is 0: no one root stands out.
    {"NoneStandsOut", {{1, 0}, {-3, 0}, {2, 0}}, {1.5, 0}, 1, 0, INFINITY},
};

INSTANTIATE_TEST_SUITE_P(Refinement, PelletTest, ::testing::ValuesIn(kPelletCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Which listed roots are shown within 1e-5 max(1, |x|) of a root: each
// refined root answers for one listed root at most.
struct MissCase {
    const char* name;
    Coefficients coefficients;
    std::initializer_list<Complex> listed;
    unsigned missing;  // bit k: listed root k not shown within the tolerance
};

class MissTest : public SolverTest, public ::testing::WithParamInterface<MissCase> {};

TEST_P(MissTest, NamesTheListedRootsNotShownWithinTheTolerance) {
    const MissCase& c = GetParam();
    const CoefficientTable asRead = tableOf(c.coefficients);
    int found = 0;
    const std::array<Complex, kMaxCoefficients> listed = listedOf(c.listed, found);
    const std::array<bool, kMaxCoefficients> missing =
        listedRootsMissing(refineListing(asRead, listed, found), listed, found);
    unsigned named = 0;
    for (int k = 1; k <= found; ++k) {
        named |= missing[static_cast<std::size_t>(k)] ? 1U << static_cast<unsigned>(k) : 0U;
    }
    EXPECT_EQ(named, c.missing);
}

const MissCase kMissCases[] = {
    {"Within", {{1, 0}, {-3, 0}, {2, 0}}, {{1, -5.93766e-08F}, {2, 0}}, 0},
    // 2 + 1.5e-5 is within the tolerance relative to |x|; 1 + 1.5e-5 is not.
    {"RelativeAboveOne", {{1, 0}, {-3, 0}, {2, 0}}, {{1.000015F, 0}, {2.000015F, 0}}, 1U << 1},
    // Both listed at the root 1: only one of them can be it.
    {"OneRootForTwo", {{1, 0}, {-3, 0}, {2, 0}}, {{1, 0}, {1, 0}}, 1U << 2},
    {"FourfoldSmeared",
     {{1, 0}, {-4, 0}, {6, 0}, {-4, 0}, {1, 0}},
     {{0.933697F, 0.0112632F},
      {1.0111F, 0.066245F},
      {1.06641F, -0.0110312F},
      {0.988801F, -0.0664769F}},
     0x1EU},
};

INSTANTIATE_TEST_SUITE_P(Refinement, MissTest, ::testing::ValuesIn(kMissCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing

namespace secant::testing {
namespace {

using testing::PrintTo;

// (x - a)^k, its coefficients exact in binary32, from the listing of the
// whole run: a, k times, with its multiplicity and radius 0.
struct PowerCase {
    double a;
    int k;
};

class PowerTest : public SolverTest, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(PowerTest, IsOneExactRootOfItsMultiplicity) {
    const auto [a, k] = GetParam();
    std::vector<double> c{1};
    for (int m = 0; m < k; ++m) {
        c.push_back(0);
        for (std::size_t i = c.size() - 1; i > 0; --i) {
            c[i] -= a * c[i - 1];
        }
    }
    coefficientTable = CoefficientTable{};
    for (const double v : c) {
        coefficientTable.coefficients[static_cast<std::size_t>(coefficientTable.count++)] =
            Complex(static_cast<float>(v), 0);
    }
    const CoefficientTable asRead = coefficientTable;
    const FoundRoots roots = findRoots();
    ASSERT_EQ(roots.count, k);
    const RefinedListing listing = refineListing(asRead, roots.listed(), roots.count);
    EXPECT_TRUE(listing.refined.converged);
    for (int m = 1; m <= k; ++m) {
        const auto i = static_cast<std::size_t>(m);
        EXPECT_EQ(listing.printed[i].re, bounds::formatSignificant(a, 17)) << m;
        EXPECT_EQ(listing.printed[i].im, "0") << m;
        EXPECT_EQ(listing.disks[i].multiplicity, k) << m;
        EXPECT_EQ(listing.disks[i].radiusText, "0") << m;
    }
}

std::vector<PowerCase> powerCases() {
    std::vector<PowerCase> cases;
    for (const double a : {1.0, -2.0, 0.5, 3.0, 0.0}) {
        for (int k = 2; k <= 9; ++k) {
            cases.push_back({a, k});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Refinement, PowerTest, ::testing::ValuesIn(powerCases()),
                         [](const auto& info) {
                             std::string name = "Root" + std::to_string(info.index / 8) + "Power" +
                                                std::to_string(info.param.k);
                             return name;
                         });

}  // namespace
}  // namespace secant::testing
