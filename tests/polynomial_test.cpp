#include <cmath>
#include <string>

#include "solver/bounds/decimal.hpp"
#include "solver/recovery.hpp"
#include "test_support.hpp"

namespace secant::testing {
namespace {

// The parts as the listing prints them.
using bounds::printedPart;

struct SearchCase {
    const char* name;
    std::initializer_list<Complex> coefficients;
    int iterations;
    bool converged;
    const char* re;
    const char* im;
};

using testing::PrintTo;

class SearchTest : public SolverTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, FirstSearchFindsTheStatedPoint) {
    const SearchCase& c = GetParam();
    loadTable(c.coefficients);
    clearArithmeticFlags();
    const SecantResult result = findRootSecant();
    EXPECT_EQ(result.iterations, c.iterations);
    EXPECT_EQ(result.converged, c.converged);
    EXPECT_EQ(printedPart(result.root.re), c.re);
    EXPECT_EQ(printedPart(result.root.im), c.im);
    EXPECT_FALSE(raisedArithmeticFlags().any());
}

const SearchCase kSearchCases[] = {
    {"Linear", {{1, 0}, {-1, 0}}, 1, true, "1", "0"},
    {"TwoRealRoots", {{1, 0}, {-3, 0}, {2, 0}}, 7, true, "1", "-5.93766e-08"},
    {"ImaginaryRoots", {{1, 0}, {0, 0}, {1, 0}}, 7, true, "8.70787e-08", "1"},
    {"ZeroFreeTerm", {{1, 0}, {-3, 0}, {0, 0}}, 1, true, "0", "0"},
    {"LeadingZero", {{0, 0}, {1, 0}, {-2, 0}}, 1, true, "2", "0"},
};

INSTANTIATE_TEST_SUITE_P(Secant, SearchTest, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Finds every root by the program's own loop, as the dialogue does, and
// returns each search's result; every root must be found.
std::array<SecantResult, kMaxCoefficients> solveAll() {
    const int n = coefficientTable.count - 1;
    const FoundRoots roots = findRoots();
    EXPECT_EQ(roots.count, n);
    std::array<SecantResult, kMaxCoefficients> results{};
    for (std::size_t k = 1; k < kMaxCoefficients; ++k) {
        results[k] = roots.searches[k].result;
    }
    return results;
}

TEST_F(SolverTest, TwoRealRootsToTheBit) {
    loadTable({{1, 0}, {-3, 0}, {2, 0}});
    const auto results = solveAll();
    EXPECT_EQ(bits(results[1].root.re), bits(1.0F));
    EXPECT_EQ(printedPart(results[1].root.im), "-5.93766e-08");
    EXPECT_EQ(results[2].iterations, 1);
    EXPECT_SAME_COMPLEX(results[2].root, 2.0F, 0.0F);
}

TEST_F(SolverTest, ImaginaryRootsAfterDeflation) {
    loadTable({{1, 0}, {0, 0}, {1, 0}});
    const auto results = solveAll();
    EXPECT_EQ(results[2].iterations, 1);
    EXPECT_EQ(printedPart(results[2].root.re), "-8.9407e-08");
    EXPECT_EQ(bits(results[2].root.im), bits(-1.0F));
}

TEST_F(SolverTest, ZeroFreeTermGivesPositiveZeroExactly) {
    loadTable({{1, 0}, {-3, 0}, {0, 0}});
    EXPECT_SAME_COMPLEX(findRootSecant().root, +0.0F, +0.0F);
}

TEST_F(SolverTest, BothStartPointsRootsIsZeroOverZero) {
    loadTable({{1, 0}, {-1, -1}, {0, 0}});
    clearArithmeticFlags();
    const SecantResult result = findRootSecant();
    EXPECT_TRUE(raisedArithmeticFlags().invalid);
    EXPECT_FALSE(raisedArithmeticFlags().divisionByZero);
    EXPECT_EQ(result.iterations, 1);
    EXPECT_TRUE(std::isnan(result.root.re));
    EXPECT_FALSE(result.converged);
}

TEST_F(SolverTest, LeadingZeroMeetsZeroOverZeroInTheLastSearch) {
    loadTable({{0, 0}, {1, 0}, {-2, 0}});
    const SecantResult first = findRootSecant();
    EXPECT_SAME_COMPLEX(first.root, 2.0F, 0.0F);
    deflate(first.root);
    clearArithmeticFlags();
    const SecantResult second = findRootSecant();
    EXPECT_TRUE(raisedArithmeticFlags().invalid);
    EXPECT_EQ(second.iterations, 1);
}

TEST_F(SolverTest, IterationLimitReturnsTheNewestPoint) {
    loadTable({{1000, 0}, {0, 0}, {0, 0}, {-1, 0}});
    clearArithmeticFlags();
    const SecantResult result = findRootSecant();
    EXPECT_EQ(result.iterations, kSecantMaxIterations);
    EXPECT_FALSE(result.converged);
    EXPECT_FALSE(raisedArithmeticFlags().any());
    EXPECT_GE(abs(evaluatePolynomial(result.root)), widen(kSecantTolerance));
}

TEST_F(SolverTest, NinthOrderOverflowsInTheFirstSearch) {
    loadTable({{1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, 0}});
    clearArithmeticFlags();
    findRootSecant();
    EXPECT_TRUE(raisedArithmeticFlags().overflow);
}

TEST_F(SolverTest, ToleranceIsTheSinglePrecisionValue) {
    EXPECT_EQ(static_cast<double>(kSecantTolerance), 9.99999974737875163555145263671875e-6);
}

TEST_F(SolverTest, ConstantTableEvaluatesToItsEntry) {
    loadTable({{4, -3}});
    EXPECT_SAME_COMPLEX(evaluatePolynomial(Complex(123, 456)), 4.0F, -3.0F);
    clearArithmeticFlags();
    findRootSecant();
    EXPECT_TRUE(raisedArithmeticFlags().invalid);
}

// x is the left operand of each product: with the pair of Part-case operands,
// x * acc keeps 2^-44 in the imaginary part where acc * x loses it.
TEST_F(SolverTest, HornerMultipliesWithXOnTheLeft) {
    const Complex x(1 + 3 * 0x1p-23F, -1);
    const Complex acc(1, 1 + 0x1p-23F);
    loadTable({acc, {0, 0}});
    EXPECT_SAME_COMPLEX(evaluatePolynomial(x), 2 + 0x1p-21F, 0x1p-21F + 0x1p-44F);
}

TEST_F(SolverTest, DeflationMultipliesWithTheRootOnTheLeft) {
    const Complex root(1 + 3 * 0x1p-23F, -1);
    loadTable({{1, 1 + 0x1p-23F}, {0, 0}, {5, 5}});
    deflate(root);
    EXPECT_SAME_COMPLEX(coefficientTable.coefficients[1], 2 + 0x1p-21F, 0x1p-21F + 0x1p-44F);
}

TEST_F(SolverTest, DeflationLeavesTheOldFreeTermBehind) {
    loadTable({{1, 0}, {-6, 0}, {11, 0}, {-6, 0}});  // (x-1)(x-2)(x-3)
    const Complex remainder = deflate(Complex(1, 0));
    EXPECT_EQ(coefficientTable.count, 3);
    EXPECT_SAME_COMPLEX(coefficientTable.coefficients[0], 1.0F, 0.0F);
    EXPECT_SAME_COMPLEX(coefficientTable.coefficients[1], -5.0F, 0.0F);
    EXPECT_SAME_COMPLEX(coefficientTable.coefficients[2], 6.0F, 0.0F);
    EXPECT_SAME_COMPLEX(coefficientTable.coefficients[3], -6.0F, 0.0F);
    EXPECT_SAME_COMPLEX(remainder, 0.0F, 0.0F);
}

TEST_F(SolverTest, RemainderEqualsTheValueToTheBit) {
    const Complex root(0.3F, -1.7F);
    loadTable({{2, 1}, {-3, 0.5F}, {0.25F, -4}, {7, 7}, {-1, 0.125F}});
    const Complex value = evaluatePolynomial(root);
    EXPECT_SAME_COMPLEX(deflate(root), value.re, value.im);
}

}  // namespace
}  // namespace secant::testing

namespace secant::testing {
namespace {

struct Watched {
    int calls = 0;
    int lastIteration = 0;
    Complex lastPoint;
};

void watch(void* context, int iteration, Complex x2, double modulus) {
    auto* watched = static_cast<Watched*>(context);
    ++watched->calls;
    watched->lastIteration = iteration;
    watched->lastPoint = x2;
    volatile double sink = modulus * 1e300 * 1e300;  // raises overflow
    (void)sink;
}

// Watching a search changes none of its bits; the dialogue keeps the
// observer's own flags out of the search's (see the dialogue tests).
TEST_F(SolverTest, ObserverSeesEveryIterationAndChangesNothing) {
    const std::initializer_list<Complex> tables[] = {
        {{1, 0}, {-3, 0}, {2, 0}},
        {{1, 0}, {0, 0}, {1, 0}},
        {{1000, 0}, {0, 0}, {0, 0}, {-1, 0}},
        {{3, 0}, {1, 0}, {5, 0}, {0.5F, 0}, {1000, 0}},
    };
    for (const auto& coefficients : tables) {
        loadTable(coefficients);
        const SecantResult plain = findRootSecant();
        Watched watched;
        const SecantObserver observer{&watch, &watched, nullptr, nullptr};
        const SecantResult observed = findRootSecant(&observer);
        EXPECT_SAME_COMPLEX(observed.root, plain.root.re, plain.root.im);
        EXPECT_EQ(observed.iterations, plain.iterations);
        EXPECT_EQ(observed.converged, plain.converged);
        EXPECT_EQ(watched.calls, plain.iterations);
        EXPECT_EQ(watched.lastIteration, plain.iterations);
        EXPECT_SAME_COMPLEX(watched.lastPoint, plain.root.re, plain.root.im);
    }
}

}  // namespace
}  // namespace secant::testing
