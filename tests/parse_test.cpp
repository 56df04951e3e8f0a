#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

using testing::PrintTo;

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

// How numbers were read before readSingle took them in constant memory: the
// library's float extraction, which holds every character of the number.
void libraryReadSingle(std::istream& in, float& value) {
    const bool failedBefore = in.fail();
    float read = 0.0F;
    in >> read;
    constexpr float kMax = std::numeric_limits<float>::max();
    if (!failedBefore && in.fail() && !in.bad() && (read == kMax || read == -kMax)) {
        in.clear(in.rdstate() & ~std::ios_base::failbit);
        read = read > 0 ? kInf : -kInf;
    }
    if (!in.fail()) {
        value = read;
    }
}

// Numbers longer than the digits readSingle keeps: exactly halfway between
// two floats, just above and just below, and with long runs of digits
// before the point, after it and in the exponent.
std::vector<std::string> longNumbers() {
    std::vector<std::string> numbers;
    const std::string zeros(3000, '0');
    for (const float f : {1.0F, 0.1F, 3.0e-39F, std::numeric_limits<float>::denorm_min(), 0.0F,
                          std::numeric_limits<float>::max(), 7.006492e-45F, 16777216.0F}) {
        // Above the largest float, the next would be 2^128.
        const double next = f == std::numeric_limits<float>::max()
                                ? std::ldexp(1.0, 128)
                                : static_cast<double>(std::nextafter(f, kInf));
        const double halfway = (static_cast<double>(f) + next) / 2;
        char text[200];
        std::snprintf(text, sizeof text, "%.150e", halfway);
        const std::string digits(text, std::strchr(text, 'e'));
        const std::string exponent(std::strchr(text, 'e'));
        std::string below = digits.substr(0, digits.find_last_not_of('0') + 1);
        below.back() = static_cast<char>(below.back() - 1);
        numbers.push_back(digits + zeros + exponent);
        numbers.push_back(digits + zeros + "1" + exponent);
        numbers.push_back("-" + below + std::string(3000, '9') + exponent);
    }
    numbers.push_back("1" + zeros + zeros + ".5");
    numbers.push_back("0" + zeros + "2.5e-3");
    numbers.push_back("0." + zeros + "15e3002");
    numbers.push_back("-0." + zeros + zeros + "1");
    numbers.push_back("1e" + zeros + "7");
    numbers.push_back("1e-" + zeros + "1" + zeros);
    numbers.push_back("0e" + zeros + "9");
    numbers.push_back("1" + zeros + "e-3001");
    numbers.push_back("12" + zeros + "e");
    numbers.push_back("." + zeros + "e+");
    return numbers;
}

TEST(ReadSingle, LongNumbersReadAsTheLibraryReadsThem) {
    for (const std::string& number : longNumbers()) {
        for (const char* after : {"", " x", ")", "e5", ".7"}) {
            std::istringstream in(number + after);
            std::istringstream reference(number + after);
            float value = 7.0F;
            float expected = 7.0F;
            readSingle(in, value);
            libraryReadSingle(reference, expected);
            const std::string where = number.substr(0, 40) + "... then " + after;
            EXPECT_EQ(bits(value), bits(expected)) << where << ": " << value << " " << expected;
            EXPECT_EQ(in.rdstate(), reference.rdstate()) << where;
            EXPECT_EQ(remaining(in), remaining(reference)) << where;
        }
    }
}

// Digits and an exponent far beyond any limit of the exponent alone still
// cancel to the value the number has (mingw-w64's strtof, which clamps the
// written exponent, gives an infinity and a zero here).
TEST(ReadSingle, HugeDigitCountsAndExponentsCancel) {
    const std::string zeros(200000, '0');
    for (const auto& [number, expected] : {std::pair{"2" + zeros + "e-200000", 2.0F},
                                           std::pair{"-0." + zeros + "3e200001", -3.0F}}) {
        std::istringstream in(number);
        float value = 7.0F;
        readSingle(in, value);
        EXPECT_EQ(bits(value), bits(expected)) << number.substr(0, 20);
        EXPECT_FALSE(in.fail());
    }
}

}  // namespace
}  // namespace secant::testing
