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
// of two, and anything beyond +-2^28 becomes an infinity or a zero.
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
    std::int32_t exponent = -0x20000000;  // zero's (soft::kZeroExponent)
    bool negative = false;
};

namespace soft {

inline constexpr std::int32_t kSpecialExponent = 0x20000000;
inline constexpr std::int32_t kZeroExponent = -0x20000000;
inline constexpr std::int32_t kExponentLimit = 0x10000000;
inline constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
inline constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;

inline constexpr unsigned kInvalid = 1U;
inline constexpr unsigned kDivisionByZero = 2U;
inline constexpr unsigned kOverflow = 4U;

namespace detail {
// The conditions raised since they were last set, like the hardware's sticky
// flags; read and set only through the functions below.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
inline thread_local constinit unsigned raised = 0U;
}  // namespace detail

// The invalid, division-by-zero and overflow flags (kInvalid, ...) raised so far.
inline unsigned raisedFlags() {
    return detail::raised;
}

// Sets the flags to exactly `flags`; 0 clears them.
inline void setRaisedFlags(unsigned flags) {
    detail::raised = flags;
}

inline void raise(unsigned flags) {
    detail::raised |= flags;
}

// The fields of an IEEE 754 binary format, and of one value's encoding.
struct BinaryFormat {
    int fractionBits;
    int exponentBits;
    int minExponent;  // of the smallest normal value
    int maxExponent;

    [[nodiscard]] constexpr std::uint64_t signBit() const {
        return std::uint64_t{1} << (fractionBits + exponentBits);
    }
    [[nodiscard]] constexpr std::uint64_t exponentField() const {
        return ((std::uint64_t{1} << exponentBits) - 1) << fractionBits;
    }
    [[nodiscard]] constexpr std::uint64_t fractionField() const {
        return (std::uint64_t{1} << fractionBits) - 1;
    }
    [[nodiscard]] constexpr int maxBiased() const { return (1 << exponentBits) - 1; }
};

inline constexpr BinaryFormat kBinary32{23, 8, -126, 127};
inline constexpr BinaryFormat kBinary64{52, 11, -1022, 1023};

struct BinaryFields {
    bool negative;
    int biased;  // 0 for zeros and subnormals, maxBiased() for infinities and NaNs
    std::uint64_t fraction;
};

constexpr BinaryFields fieldsOf(std::uint64_t bits, const BinaryFormat& format) {
    return BinaryFields{(bits & format.signBit()) != 0,
                        static_cast<int>((bits & format.exponentField()) >> format.fractionBits),
                        bits & format.fractionField()};
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
SoftExtended fromBinary(std::uint64_t bits, const BinaryFormat& format);
SoftExtended widenUncommon(float value);
std::uint64_t toBinaryUncommon(SoftExtended x, const BinaryFormat& format);
SoftExtended squareRoot(double value);

SoftExtended outOfRange(bool negative, std::int64_t exponent);

// The hot paths below avoid branches that depend on the data (signs, which
// operand is larger, the rounding direction): in a search those go either
// way at random, and a mispredicted branch costs more than the arithmetic.

// 1 when the bits below the kept part (rest, compared with half a unit)
// round the kept part up, ties to even; 0 otherwise.
constexpr std::uint64_t roundsUp(std::uint64_t rest, std::uint64_t half, std::uint64_t kept) {
    return static_cast<std::uint64_t>(rest > half) |
           (static_cast<std::uint64_t>(rest == half) & kept & 1U);
}

// A normalized 128-bit significand (bit 127 set) rounded to 64 bits.
inline SoftExtended roundWide(bool negative, std::int64_t exponent, wide::Word128 s) {
    std::uint64_t significand = s.hi + roundsUp(s.lo, kHalf, s.hi);
    if (significand == 0) [[unlikely]] {
        significand = kIntegerBit;  // the carry ran through all 64 bits
        ++exponent;
    }
    if (static_cast<std::uint64_t>(exponent + kExponentLimit) >
        2 * static_cast<std::uint64_t>(kExponentLimit)) [[unlikely]] {
        return outOfRange(negative, exponent);
    }
    return SoftExtended{significand, static_cast<std::int32_t>(exponent), negative};
}

// True for a finite non-zero value: its exponent lies strictly between zero's
// and the special one's.
constexpr bool isFiniteNonZero(SoftExtended x) {
    constexpr auto kLow = static_cast<std::uint32_t>(kZeroExponent) + 1U;
    constexpr auto kSpan = static_cast<std::uint32_t>(kSpecialExponent - kZeroExponent - 1);
    return static_cast<std::uint32_t>(x.exponent) - kLow < kSpan;
}

inline bool needsSpecialCare(SoftExtended x, SoftExtended y) {
    return !(isFiniteNonZero(x) && isFiniteNonZero(y));
}

// significand * 2^-n as a 128-bit word with the significand at the top, for
// n >= 1; the bits shifted out are ORed into the lowest bit.
inline wide::Word128 alignRight(std::uint64_t significand, std::int64_t n) {
    if (n < 64) [[likely]] {
        return wide::Word128{significand >> n, significand << (64 - n)};
    }
    if (n < 128) {
        const int m = static_cast<int>(n - 64);
        const std::uint64_t kept = m == 0 ? significand : significand >> m;
        const std::uint64_t lost = m == 0 ? 0 : significand << (64 - m);
        return wide::Word128{0, kept | static_cast<std::uint64_t>(lost != 0)};
    }
    return wide::Word128{0, 1};
}

inline SoftExtended add(SoftExtended x, SoftExtended y, bool subtract) {
    if (needsSpecialCare(x, y)) [[unlikely]] {
        // A zero term, as the free terms of many equations are, needs no call.
        if (isZero(y) && isFiniteNonZero(x)) {
            return x;
        }
        if (isZero(x) && isFiniteNonZero(y)) {
            y.negative = y.negative != subtract;
            return y;
        }
        return addSpecial(x, y, subtract);
    }
    const bool yNegative = y.negative != subtract;
    const bool swap =
        x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand);
    const std::uint64_t bigSignificand = swap ? y.significand : x.significand;
    const std::uint64_t smallSignificand = swap ? x.significand : y.significand;
    const std::int32_t bigExponent = swap ? y.exponent : x.exponent;
    const std::int32_t smallExponent = swap ? x.exponent : y.exponent;
    const bool negative = swap ? yNegative : x.negative;
    // One bit of headroom above the larger operand for the carry of a sum.
    const wide::Word128 a{bigSignificand >> 1, bigSignificand << 63};
    const wide::Word128 b =
        alignRight(smallSignificand, std::int64_t{bigExponent} - smallExponent + 1);
    // a - b as a + ~b + 1 when the signs differ; the difference is not negative.
    const std::uint64_t mask = 0U - static_cast<std::uint64_t>(x.negative != yNegative);
    const wide::Word128 s = wide::add(wide::add(a, wide::Word128{b.hi ^ mask, b.lo ^ mask}),
                                      wide::Word128{0, mask & 1U});
    if (wide::isZero(s)) [[unlikely]] {
        return zero(false);  // x - x is +0 when rounding to nearest
    }
    const int shift = wide::countLeadingZeros(s);
    return roundWide(negative, std::int64_t{bigExponent} + 1 - shift, wide::shiftLeft(s, shift));
}

inline SoftExtended multiply(SoftExtended x, SoftExtended y) {
    if (needsSpecialCare(x, y)) [[unlikely]] {
        return multiplySpecial(x, y);
    }
    const wide::Word128 p = wide::multiply(x.significand, y.significand);
    // The product of two significands in [1, 2) is in [1, 4): normalize by 0 or 1.
    const std::uint64_t top = p.hi >> 63;
    const std::uint64_t shift = top ^ 1U;
    const wide::Word128 normalized{(p.hi << shift) | ((p.lo >> 63) & shift), p.lo << shift};
    return roundWide(x.negative != y.negative,
                     std::int64_t{x.exponent} + y.exponent + static_cast<std::int64_t>(top),
                     normalized);
}

inline SoftExtended divide(SoftExtended x, SoftExtended y) {
    if (needsSpecialCare(x, y)) [[unlikely]] {
        return divideSpecial(x, y);
    }
    // The dividend is placed so that the quotient has exactly 64 bits.
    const bool smaller = x.significand < y.significand;
    const wide::Word128 dividend = smaller ? wide::Word128{x.significand, 0}
                                           : wide::Word128{x.significand >> 1, x.significand << 63};
    const wide::Division d = wide::divide(dividend, y.significand);
    // The remainder against half the divisor decides the rounding. (An exact
    // half cannot occur: it would take a 65-bit odd multiple of the divisor
    // to make the 64-bit dividend.)
    const std::uint64_t rest = y.significand - d.remainder;
    const std::uint64_t below =
        d.remainder > rest ? kHalf + 1 : static_cast<std::uint64_t>(d.remainder != 0);
    return roundWide(x.negative != y.negative,
                     std::int64_t{x.exponent} - y.exponent - static_cast<std::int64_t>(smaller),
                     wide::Word128{d.quotient, d.remainder == rest ? kHalf : below});
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
    const bool smaller =
        x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand);
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
    const BinaryFields f = fieldsOf(std::bit_cast<std::uint32_t>(value), kBinary32);
    if (static_cast<unsigned>(f.biased) - 1U < static_cast<unsigned>(kBinary32.maxBiased() - 1))
        [[likely]] {
        return SoftExtended{(f.fraction | (std::uint64_t{1} << kBinary32.fractionBits))
                                << (63 - kBinary32.fractionBits),
                            f.biased + kBinary32.minExponent - 1, f.negative};
    }
    if (f.biased == 0 && f.fraction == 0) {
        return zero(f.negative);
    }
    return widenUncommon(value);
}

// The encoding of x rounded to a binary format, ties to even: beyond the
// range an infinity, with overflow raised; below it a subnormal or zero.
template <const BinaryFormat& kFormat>
std::uint64_t toBinary(SoftExtended x) {
    constexpr int kDropped = 63 - kFormat.fractionBits;
    // Zero's exponent and the special one lie outside this range.
    if (static_cast<std::uint32_t>(x.exponent - kFormat.minExponent) <=
        static_cast<std::uint32_t>(kFormat.maxExponent - kFormat.minExponent)) [[likely]] {
        const std::uint64_t kept = x.significand >> kDropped;
        const std::uint64_t rest = x.significand & ((std::uint64_t{1} << kDropped) - 1);
        // The significand's leading bit adds one to the exponent field, and the
        // carry of a rounding may run on into it, up to the infinity.
        const std::uint64_t bits =
            (x.negative ? kFormat.signBit() : 0U) +
            (static_cast<std::uint64_t>(x.exponent - kFormat.minExponent) << kFormat.fractionBits) +
            kept + roundsUp(rest, std::uint64_t{1} << (kDropped - 1), kept);
        if ((bits & kFormat.exponentField()) == kFormat.exponentField()) {
            raise(kOverflow);
        }
        return bits;
    }
    return toBinaryUncommon(x, kFormat);
}

inline float toSingle(SoftExtended x) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(toBinary<kBinary32>(x)));
}

inline double toDouble(SoftExtended x) {
    return std::bit_cast<double>(toBinary<kBinary64>(x));
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
