#include <cmath>
#include <limits>

#include "test_support.hpp"

namespace secant::testing {
namespace {

constexpr float kU = 0x1p-23F;  // one unit in the last place at 1

enum class Op { Add, Sub, Mul, Div };

struct ArithmeticCase {
    const char* name;
    Op op;
    Complex z;
    Complex w;
    float re;
    float im;
};

using testing::PrintTo;

Complex apply(Op op, Complex z, Complex w) {
    switch (op) {
        case Op::Add: return z + w;
        case Op::Sub: return z - w;
        case Op::Mul: return z * w;
        case Op::Div: return z / w;
    }
    return {};
}

class ArithmeticTest : public SolverTest, public ::testing::WithParamInterface<ArithmeticCase> {};

TEST_P(ArithmeticTest, RoundsAtTheStatedPoints) {
    const ArithmeticCase& c = GetParam();
    EXPECT_SAME_COMPLEX(apply(c.op, c.z, c.w), c.re, c.im);
    Complex target = c.z;
    switch (c.op) {
        case Op::Add: target += c.w; break;
        case Op::Sub: target -= c.w; break;
        case Op::Mul: target *= c.w; break;
        case Op::Div: target /= c.w; break;
    }
    EXPECT_SAME_COMPLEX(target, c.re, c.im);  // compound and binary forms agree
}

const ArithmeticCase kArithmeticCases[] = {
    {"ProductOneWay", Op::Mul, {1, 2}, {3, 4}, -5, 10},
    {"ProductOtherWay", Op::Mul, {3, 4}, {1, 2}, -5, 10},
    // Only the first partial product of each part is rounded before the sum.
    {"LeftOperandDecidesImaginary",
     Op::Mul,
     {1 + 3 * kU, -1},
     {1, 1 + kU},
     2 + 0x1p-21F,
     0x1p-21F + 0x1p-44F},
    {"SwappedOperandsLoseTheLowBit",
     Op::Mul,
     {1, 1 + kU},
     {1 + 3 * kU, -1},
     2 + 0x1p-21F,
     0x1p-21F},
    {"QuotientKeepsZeroSign", Op::Div, {-1, -1}, {1, 1}, -1, +0.0F},
    // n = single(1 + 2^-24) = 1: the divisor's modulus is rounded before it divides.
    {"QuotientRoundsTheModulus", Op::Div, {1, 1}, {1, 0x1p-12F}, 1 + 0x1p-12F, 1 - 0x1p-12F},
    {"SumTiesToEven", Op::Add, {1, 1}, {0x1p-24F, 0x1p-24F + 0x1p-47F}, 1, 1 + kU},
    {"DifferenceOfNegativeZeros", Op::Sub, {-0.0F, -0.0F}, {+0.0F, -0.0F}, -0.0F, +0.0F},
};

INSTANTIATE_TEST_SUITE_P(Complex, ArithmeticTest, ::testing::ValuesIn(kArithmeticCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolverTest, CompoundOperationsUseTheOldTargetThroughout) {
    Complex z(1, 2);
    z *= z;  // (1 + 2i)^2 = -3 + 4i
    EXPECT_SAME_COMPLEX(z, -3.0F, 4.0F);
    Complex q(3, 4);
    q /= q;
    EXPECT_SAME_COMPLEX(q, 1.0F, 0.0F);
}

TEST_F(SolverTest, ConstructionAndAssignmentKeepBits) {
    EXPECT_SAME_COMPLEX(Complex(), +0.0F, +0.0F);
    EXPECT_SAME_COMPLEX(Complex(-0.0F, -0.0F), -0.0F, -0.0F);
    Complex z(5, -7);
    z = 0.0F;
    EXPECT_SAME_COMPLEX(z, +0.0F, +0.0F);
    z = -2.5F;
    EXPECT_SAME_COMPLEX(z, -2.5F, +0.0F);
}

// An extended value built from exact single-precision terms, whichever
// implementation of the extended arithmetic is in use.
Extended exactSum(std::initializer_list<float> terms) {
    Extended sum = widen(0.0F);
    for (const float term : terms) {
        sum = sum + widen(term);
    }
    return sum;
}

TEST_F(SolverTest, NormRoundsOnlyTheSquareOfTheRealPart) {
    // (1 + 2^-23)^2 = 1 + 2^-22 + 2^-46: the real square loses 2^-46, the imaginary keeps it.
    EXPECT_EQ(norm(Complex(1 + kU, 0)), exactSum({1, 0x1p-22F}));
    EXPECT_EQ(norm(Complex(0, 1 + kU)), exactSum({1, 0x1p-22F, 0x1p-46F}));
    EXPECT_EQ(abs(Complex(3, 4)), widen(5));
}

TEST_F(SolverTest, AbsRoundsTheNormToDoubleBeforeTheRoot) {
    // norm = 1 + 2^-40 + 2^-62 in extended; binary64 drops the 2^-62, and the
    // root of 1 + 2^-40 rounds to 1 + 2^-41. The root of the unrounded norm
    // would be 1 + 2^-41 + 2^-63.
    const Complex z(1, 0x1p-20F * (1 + kU));
    EXPECT_EQ(norm(z), exactSum({1, 0x1p-40F, 0x1p-62F}));
    EXPECT_EQ(abs(z), exactSum({1, 0x1p-41F}));
    EXPECT_EQ(abs(z), squareRoot(1.0 + 0x1p-40));
}

struct FlagCase {
    const char* name;
    Op op;
    Complex z;
    Complex w;
    bool invalid;
    bool divisionByZero;
    bool overflow;
};

class FlagTest : public SolverTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagTest, RaisesExactlyTheStatedConditions) {
    const FlagCase& c = GetParam();
    clearArithmeticFlags();
    volatile Complex result = apply(c.op, c.z, c.w);
    (void)result;
    const ArithmeticFlags flags = raisedArithmeticFlags();
    EXPECT_EQ(flags.invalid, c.invalid);
    EXPECT_EQ(flags.divisionByZero, c.divisionByZero);
    EXPECT_EQ(flags.overflow, c.overflow);
}

const FlagCase kFlagCases[] = {
    {"ZeroDivisorIsZeroOverZero", Op::Div, {5, 5}, {0, 0}, true, false, false},
    {"TinyDivisorDividesByZero", Op::Div, {1, 1}, {0x1p-76F, 0}, false, true, false},
    {"TinyDivisorOfZeroIsInvalid", Op::Div, {0, 0}, {0x1p-76F, 0x1p-76F}, true, false, false},
    {"LargeDivisorOverflows", Op::Div, {1, 1}, {0x1p64F, 0}, false, false, true},
    {"SumBeyondRangeOverflows", Op::Add, {0x1p127F, 0}, {0x1p127F, 0}, false, false, true},
    {"ProductBeyondRangeOverflows", Op::Mul, {0x1p64F, 0}, {0x1p64F, 0}, false, false, true},
    {"OrdinaryQuotientIsClean", Op::Div, {1, 2}, {3, 4}, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Complex, FlagTest, ::testing::ValuesIn(kFlagCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolverTest, NormOverflowsOnlyThroughTheRealPart) {
    clearArithmeticFlags();
    EXPECT_TRUE(std::isinf(toDouble(norm(Complex(0x1p64F, 0)))));
    EXPECT_TRUE(raisedArithmeticFlags().overflow);

    clearArithmeticFlags();
    EXPECT_EQ(toDouble(norm(Complex(0, 0x1p64F))), 0x1p128);
    EXPECT_EQ(abs(Complex(0, 0x1p64F)), widen(0x1p64F));
    EXPECT_FALSE(raisedArithmeticFlags().any());
}

// Every combination of the three flags survives a restore, whatever was
// raised before it, and a restore leaves the arithmetic usable: a later
// inexact operation does not stop the program.
TEST(NumericEnvironment, RestoresExactlyTheGivenFlags) {
    establishNumericEnvironment();
    for (int bits = 0; bits < 8; ++bits) {
        const ArithmeticFlags wanted{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        volatile float huge = 3e38F;
        volatile float noise = toSingle(widen(huge) * widen(huge)) / 3.0F;  // overflow, inexact
        (void)noise;
        restoreArithmeticFlags(wanted);
        const ArithmeticFlags got = raisedArithmeticFlags();
        EXPECT_EQ(got.invalid, wanted.invalid) << bits;
        EXPECT_EQ(got.divisionByZero, wanted.divisionByZero) << bits;
        EXPECT_EQ(got.overflow, wanted.overflow) << bits;
        volatile double third = 1.0 / 3.0;
        EXPECT_NE(third * 3.0, 0.0);
    }
}

TEST(NumericEnvironment, IsSetToExtendedPrecisionAndNearest) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // Start from 53-bit precision and upward rounding, as another runtime may leave it.
    unsigned short word = 0x0A7F;
    __asm__ __volatile__("fldcw %0" : : "m"(word));
    EXPECT_FALSE(precisionIs64BitsAndRoundingToNearest());
#endif
    establishNumericEnvironment();
    EXPECT_TRUE(precisionIs64BitsAndRoundingToNearest());
    // 1 + 2^-63 survives only with a 64-bit significand; 1 + 2^-64 is a tie
    // that goes to the even 1.
    volatile float tiny = 0x1p-63F;
    EXPECT_FALSE(widen(1) + widen(tiny) == widen(1));
    EXPECT_TRUE(widen(1) + widen(tiny / 2) == widen(1));
}

}  // namespace
}  // namespace secant::testing
