// Extended precision in software: a 64-bit significand, round to nearest
// with ties to even, and a wide exponent, giving the same bits as the x87
// unit for every operation the complex arithmetic performs.
//
// A finite non-zero value is significand * 2^(exponent - 63) with bit 63 of
// the significand set. Zero has significand 0. Infinities and NaNs have the
// exponent kSpecialExponent; an infinity's significand is exactly bit 63, a
// NaN's has bit 63 and more (bit 62 set for a quiet NaN), as in the x87
// register format. The exponent never overflows or underflows in practice:
// products and quotients of binary32 values stay within a few hundred powers
// of two, and anything beyond +-2^29 becomes an infinity or a zero.
//
// The invalid, division-by-zero and overflow conditions are kept in a flag
// word of the calling thread and raised exactly where the x87 unit raises
// them: invalid for inf - inf, 0 * inf, 0 / 0, inf / inf, the root of a
// negative number, a signalling NaN operand and an ordered comparison with a
// NaN; division by zero for a finite non-zero value over zero; overflow when
// a value rounded to binary32 or binary64 exceeds its range.
#pragma once

#include <bit>
#include <cstdint>

#include "solver/wide_word.hpp"

namespace secant {

struct SoftExtended {
    std::uint64_t significand = 0;
    std::int32_t exponent = 0;
    bool negative = false;
};

namespace soft {

inline constexpr std::int32_t kSpecialExponent = 0x40000000;
inline constexpr std::int32_t kZeroExponent = -0x40000000;
inline constexpr std::int32_t kExponentLimit = 0x20000000;
inline constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
inline constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;

inline constexpr unsigned kInvalid = 1U;
inline constexpr unsigned kDivisionByZero = 2U;
inline constexpr unsigned kOverflow = 4U;

// The conditions raised since the last clear, like the hardware's sticky flags.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
inline thread_local constinit unsigned raisedFlags = 0U;

inline void raise(unsigned flags) {
    raisedFlags |= flags;
}

constexpr SoftExtended zero(bool negative) {
    return SoftExtended{0, kZeroExponent, negative};
}

constexpr SoftExtended infinity(bool negative) {
    return SoftExtended{kIntegerBit, kSpecialExponent, negative};
}

// What an invalid operation gives without a NaN operand: the x87 "indefinite".
constexpr SoftExtended defaultNaN() {
    return SoftExtended{kIntegerBit | kQuietBit, kSpecialExponent, true};
}

constexpr bool isSpecial(SoftExtended x) {
    return x.exponent == kSpecialExponent;
}
constexpr bool isNaN(SoftExtended x) {
    return isSpecial(x) && x.significand != kIntegerBit;
}
constexpr bool isInfinity(SoftExtended x) {
    return isSpecial(x) && x.significand == kIntegerBit;
}
constexpr bool isZero(SoftExtended x) {
    return x.significand == 0;
}

// The out-of-line halves: operands that are zero, infinite or NaN, results
// outside the normal binary32/binary64 range, and the uncommon conversions.
SoftExtended addSpecial(SoftExtended x, SoftExtended y, bool subtract);
SoftExtended multiplySpecial(SoftExtended x, SoftExtended y);
SoftExtended divideSpecial(SoftExtended x, SoftExtended y);
SoftExtended widenUncommon(float value);
float toSingleUncommon(SoftExtended x);
double toDoubleUncommon(SoftExtended x);
SoftExtended squareRoot(double value);

// A normalized 128-bit significand (bit 127 set) rounded to 64 bits.
inline SoftExtended roundWide(bool negative, std::int64_t exponent, wide::Word128 s) {
    std::uint64_t significand = s.hi;
    if (s.lo > kHalf || (s.lo == kHalf && (significand & 1U) != 0)) {
        ++significand;
        if (significand == 0) {
            significand = kIntegerBit;
            ++exponent;
        }
    }
    if (exponent > kExponentLimit) {
        raise(kOverflow);
        return infinity(negative);
    }
    if (exponent < -kExponentLimit) {
        return zero(negative);
    }
    return SoftExtended{significand, static_cast<std::int32_t>(exponent), negative};
}

inline bool needsSpecialCare(SoftExtended x, SoftExtended y) {
    return x.significand == 0 || y.significand == 0 || x.exponent == kSpecialExponent ||
           y.exponent == kSpecialExponent;
}

inline SoftExtended add(SoftExtended x, SoftExtended y, bool subtract) {
    if (needsSpecialCare(x, y)) {
        return addSpecial(x, y, subtract);
    }
    y.negative = y.negative != subtract;
    if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand)) {
        const SoftExtended larger = y;
        y = x;
        x = larger;
    }
    // One bit of headroom above the larger operand for the carry of a sum.
    const wide::Word128 a{x.significand >> 1, x.significand << 63};
    const std::int64_t distance = std::int64_t{x.exponent} - y.exponent;
    const wide::Word128 b = wide::shiftRightSticky(
        wide::Word128{y.significand, 0}, static_cast<int>(distance >= 127 ? 128 : distance + 1));
    wide::Word128 s{};
    if (x.negative == y.negative) {
        s = wide::add(a, b);
    } else {
        s = wide::subtract(a, b);
        if (wide::isZero(s)) {
            return zero(false);  // x - x is +0 when rounding to nearest
        }
    }
    const int shift = wide::countLeadingZeros(s);
    return roundWide(x.negative, std::int64_t{x.exponent} + 1 - shift, wide::shiftLeft(s, shift));
}

inline SoftExtended multiply(SoftExtended x, SoftExtended y) {
    if (needsSpecialCare(x, y)) {
        return multiplySpecial(x, y);
    }
    wide::Word128 p = wide::multiply(x.significand, y.significand);
    std::int64_t exponent = std::int64_t{x.exponent} + y.exponent;
    if ((p.hi >> 63) != 0) {
        ++exponent;
    } else {
        p = wide::shiftLeft(p, 1);
    }
    return roundWide(x.negative != y.negative, exponent, p);
}

inline SoftExtended divide(SoftExtended x, SoftExtended y) {
    if (needsSpecialCare(x, y)) {
        return divideSpecial(x, y);
    }
    // The dividend is placed so that the quotient has exactly 64 bits.
    std::int64_t exponent = std::int64_t{x.exponent} - y.exponent;
    wide::Word128 dividend{};
    if (x.significand >= y.significand) {
        dividend = wide::Word128{x.significand >> 1, x.significand << 63};
    } else {
        dividend = wide::Word128{x.significand, 0};
        --exponent;
    }
    const wide::Division d = wide::divide(dividend, y.significand);
    // The remainder against half the divisor decides the rounding. (An exact
    // half cannot occur: it would take a 65-bit odd multiple of the divisor
    // to make the 64-bit dividend.)
    const std::uint64_t rest = y.significand - d.remainder;
    wide::Word128 q{d.quotient, 0};
    if (d.remainder > rest) {
        q.lo = kHalf + 1;
    } else if (d.remainder == rest) {
        q.lo = kHalf;
    } else if (d.remainder != 0) {
        q.lo = 1;
    }
    return roundWide(x.negative != y.negative, exponent, q);
}

// Ordered comparison as the x87 FCOMI makes it: a NaN operand makes every
// relation false and raises invalid.
enum class Order { Less, Equal, Greater, Unordered };

constexpr Order compare(SoftExtended x, SoftExtended y) {
    if (isNaN(x) || isNaN(y)) {
        return Order::Unordered;
    }
    if (isZero(x) && isZero(y)) {
        return Order::Equal;
    }
    if (x.negative != y.negative) {
        return x.negative ? Order::Less : Order::Greater;
    }
    // Zero has the lowest exponent and an infinity the highest.
    if (x.exponent == y.exponent && x.significand == y.significand) {
        return Order::Equal;
    }
    const bool smaller = x.exponent < y.exponent ||
                         (x.exponent == y.exponent && x.significand < y.significand);
    return smaller != x.negative ? Order::Less : Order::Greater;
}

inline Order compareSignalling(SoftExtended x, SoftExtended y) {
    const Order order = compare(x, y);
    if (order == Order::Unordered) {
        raise(kInvalid);
    }
    return order;
}

// Exact: every binary32 value is an extended value.
inline SoftExtended widen(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const std::uint32_t biased = (bits >> 23) & 0xFFU;
    if (biased - 1U < 254U) {
        return SoftExtended{(std::uint64_t{bits & 0x7FFFFFU} | 0x800000U) << 40,
                            static_cast<std::int32_t>(biased) - 127, (bits >> 31) != 0};
    }
    return widenUncommon(value);
}

// Rounds to binary32, ties to even; beyond the range gives an infinity and
// raises overflow; below it, a subnormal or zero.
inline float toSingle(SoftExtended x) {
    if (x.exponent >= -126 && x.exponent <= 127 && x.significand != 0) {
        std::uint64_t kept = x.significand >> 40;
        const std::uint64_t rest = x.significand & ((std::uint64_t{1} << 40) - 1);
        if (rest > (std::uint64_t{1} << 39) || (rest == (std::uint64_t{1} << 39) && (kept & 1U))) {
            ++kept;  // may carry into the exponent, up to the infinity
        }
        const std::uint32_t bits = (x.negative ? 0x80000000U : 0U) +
                                   (static_cast<std::uint32_t>(x.exponent + 126) << 23) +
                                   static_cast<std::uint32_t>(kept);
        if ((bits & 0x7F800000U) == 0x7F800000U) {
            raise(kOverflow);
        }
        return std::bit_cast<float>(bits);
    }
    return toSingleUncommon(x);
}

// Rounds to binary64, ties to even, in the same way.
inline double toDouble(SoftExtended x) {
    if (x.exponent >= -1022 && x.exponent <= 1023 && x.significand != 0) {
        std::uint64_t kept = x.significand >> 11;
        const std::uint64_t rest = x.significand & 0x7FFU;
        if (rest > 0x400U || (rest == 0x400U && (kept & 1U))) {
            ++kept;
        }
        const std::uint64_t bits = (x.negative ? std::uint64_t{1} << 63 : 0U) +
                                   (static_cast<std::uint64_t>(x.exponent + 1022) << 52) + kept;
        if ((bits & 0x7FF0000000000000U) == 0x7FF0000000000000U) {
            raise(kOverflow);
        }
        return std::bit_cast<double>(bits);
    }
    return toDoubleUncommon(x);
}

inline void clearFlags() {
    raisedFlags = 0U;
}

}  // namespace soft

inline SoftExtended operator+(SoftExtended x, SoftExtended y) {
    return soft::add(x, y, false);
}
inline SoftExtended operator-(SoftExtended x, SoftExtended y) {
    return soft::add(x, y, true);
}
inline SoftExtended operator*(SoftExtended x, SoftExtended y) {
    return soft::multiply(x, y);
}
inline SoftExtended operator/(SoftExtended x, SoftExtended y) {
    return soft::divide(x, y);
}

// The relations raise invalid for a NaN operand, as x87 comparisons of
// `<`, `<=`, `>` and `>=` do; equality is quiet.
inline bool operator<(SoftExtended x, SoftExtended y) {
    return soft::compareSignalling(x, y) == soft::Order::Less;
}
inline bool operator>(SoftExtended x, SoftExtended y) {
    return soft::compareSignalling(x, y) == soft::Order::Greater;
}
inline bool operator<=(SoftExtended x, SoftExtended y) {
    const soft::Order order = soft::compareSignalling(x, y);
    return order == soft::Order::Less || order == soft::Order::Equal;
}
inline bool operator>=(SoftExtended x, SoftExtended y) {
    const soft::Order order = soft::compareSignalling(x, y);
    return order == soft::Order::Greater || order == soft::Order::Equal;
}
constexpr bool operator==(SoftExtended x, SoftExtended y) {
    return soft::compare(x, y) == soft::Order::Equal;
}

}  // namespace secant
