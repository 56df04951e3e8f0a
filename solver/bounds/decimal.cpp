#include "solver/bounds/decimal.hpp"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "solver/arithmetic/characters.hpp"
#include "solver/bounds/binary64.hpp"
#include "solver/bounds/directed.hpp"

namespace secant::bounds {

// ---------------------------------------------------------------------------
// The general format.

std::string formatSignificant(double value, int digits) {
    char text[64];
    // std::to_chars is exact and locale-free, and the same in every C++
    // runtime, unlike a C library's printf.
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    return {text, end.ptr};
}

std::string printedPart(float value) {
    return formatSignificant(value, kListingDigits);
}

// ---------------------------------------------------------------------------
// A printed number read back.

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
// The printed radius: the least six-digit decimal M 10^(e-5) that the
// bounds can show to be at least R.

namespace {

constexpr std::uint64_t kLargestSixDigits = 999999;
constexpr double kSmallestRadius = 1e-300;  // below it, this is printed (rounding up is allowed)

// ceil of an upper bound of R 10^(5 - e): M 10^(e - 5) >= R.
double digitsFor(double r, int e) {
    return std::ceil(scaleUp(r, 5 - e));
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
    radius.upper = scaleUp(static_cast<double>(m), e - 5);
    // The upper bound lies within a few units in its last place of the
    // decimal m 10^(e - 5), far closer than half a unit in its sixth digit,
    // so its six digits are m's.
    radius.text = formatSignificant(radius.upper, 6);
    return radius;
}

}  // namespace secant::bounds
