#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>

#include "test_support.hpp"

namespace secant::testing {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const Complex kUntouched(7, -7);

struct ParseCase {
    const char* name;
    const char* input;
    bool fails;
    bool atEnd;        // eofbit
    Complex value;     // kUntouched where the target must keep its value
    const char* rest;  // what the stream still holds
};

std::string remaining(std::istream& in) {
    in.clear();
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseTest : public SolverTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseTest, ReadsAndConsumesExactly) {
    const ParseCase& c = GetParam();
    std::istringstream in(c.input);
    Complex z = kUntouched;
    in >> z;
    EXPECT_EQ(in.fail(), c.fails);
    EXPECT_EQ(in.eof(), c.atEnd);
    EXPECT_FALSE(in.bad());
    EXPECT_SAME_COMPLEX(z, c.value.re, c.value.im);
    EXPECT_EQ(remaining(in), c.rest);
}

const ParseCase kParseCases[] = {
    {"BareNumber", "3", false, true, {3, 0}, ""},
    {"ParenthesisedReal", "(3)", false, false, {3, 0}, ""},
    {"ParenthesisedPair", "( 1.5 , -2 )", false, false, {1.5F, -2}, ""},
    {"PairThenMore", "  (2,3)  4", false, false, {2, 3}, "  4"},
    {"CommaEndsABareNumber", "1,2", false, false, {1, 0}, ",2"},
    {"SignedNumber", "+5 ", false, false, {5, 0}, " "},
    {"ExponentThenLetter", "1e5x", false, false, {1e5F, 0}, "x"},
    {"NegativeZero", "-0", false, true, {-0.0F, 0}, ""},
    {"MissingComma", "(1 2)", true, false, kUntouched, ")"},
    {"WrongSeparator", "(1;2)", true, false, kUntouched, "2)"},
    {"NumberMissingInside", "(x)", true, false, kUntouched, "x)"},
    {"SecondNumberMissing", "(1,)", true, false, kUntouched, ")"},
    {"UnclosedAtEnd", "(1,2", true, true, kUntouched, ""},
    {"CommaAtEnd", "(1,", true, true, kUntouched, ""},
    {"Letters", "abc", true, false, kUntouched, "abc"},
    {"LoneSign", "-", true, true, kUntouched, ""},
    {"EmptyInput", "", true, true, kUntouched, ""},
    {"OnlyWhitespace", " \n\t ", true, true, kUntouched, ""},
    // Beyond binary32 gives an infinity without failing; the largest float stays finite.
    {"LargestFloat", "3.4028235e38", false, true, {std::numeric_limits<float>::max(), 0}, ""},
    {"JustBeyondRange", "3.4028236e38 ", false, false, {kInf, 0}, " "},
    {"NegativeBeyondRange", "-1e50", false, true, {-kInf, 0}, ""},
    {"InfinitePair", "(1e50,-1e50)", false, false, {kInf, -kInf}, ""},
    {"TooSmallIsZero", "1e-50", false, true, {0.0F, 0}, ""},
    {"TooSmallKeepsSign", "(-1e-50,-1e-60)", false, false, {-0.0F, -0.0F}, ""},
    {"Subnormal", "1e-40", false, true, {1e-40F, 0}, ""},
};

INSTANTIATE_TEST_SUITE_P(Complex, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolverTest, FailedStreamReadsNothing) {
    std::istringstream in("1,2 3");
    Complex first;
    Complex second = kUntouched;
    Complex third = kUntouched;
    in >> first >> second >> third;
    EXPECT_SAME_COMPLEX(first, 1.0F, 0.0F);
    EXPECT_SAME_COMPLEX(second, kUntouched.re, kUntouched.im);
    EXPECT_SAME_COMPLEX(third, kUntouched.re, kUntouched.im);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(remaining(in), ",2 3");
}

TEST_F(SolverTest, SubnormalIsTheNearestValue) {
    std::istringstream in("1e-40");
    Complex z;
    in >> z;
    EXPECT_EQ(bits(z.re), 0x000116C2U);  // 1e-40 rounded to the nearest subnormal
}

}  // namespace
}  // namespace secant::testing
