// Extended precision in integers: a 64-bit significand, round to nearest
// with ties to even, and a wide exponent, giving the same bits as the x87
// unit for every operation the complex arithmetic performs. The software
// arithmetic (soft_extended.hpp) does the common cases in binary64 and comes
// here for the exact result wherever binary64 cannot decide it.
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

#include <cstdint>

namespace secant::soft {

struct Unpacked {
    std::uint64_t significand = 0;
    std::int32_t exponent = -0x20000000;  // zero's (kZeroExponent)
    bool negative = false;
};

inline constexpr std::int32_t kSpecialExponent = 0x20000000;
inline constexpr std::int32_t kZeroExponent = -0x20000000;
inline constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;

inline constexpr unsigned kInvalid = 1U;
inline constexpr unsigned kDivisionByZero = 2U;
inline constexpr unsigned kOverflow = 4U;

// The invalid, division-by-zero and overflow flags (kInvalid, ...) raised
// since they were last set, like the hardware's sticky flags.
unsigned raisedFlags();

// Sets the flags to exactly `flags`; 0 clears them.
void setRaisedFlags(unsigned flags);

void raise(unsigned flags);

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

constexpr bool isSpecial(Unpacked x) {
    return x.exponent == kSpecialExponent;
}
constexpr bool isNaN(Unpacked x) {
    return isSpecial(x) && x.significand != kIntegerBit;
}
constexpr bool isInfinity(Unpacked x) {
    return isSpecial(x) && x.significand == kIntegerBit;
}
constexpr bool isZero(Unpacked x) {
    return x.significand == 0;
}

// The exact value of a binary32 or binary64 encoding. A signalling NaN stays
// signalling: what it raises is up to the operation that uses it.
Unpacked unpackBinary(std::uint64_t bits, const BinaryFormat& format);

// A binary32 value as the x87 unit loads it: exact, and a signalling NaN
// raises invalid and is quieted.
Unpacked unpackSingle(float value);

// The encoding of x rounded to a binary format, ties to even: beyond the
// range an infinity, with overflow raised; below it a subnormal or zero.
std::uint64_t unpackedToBinary(Unpacked x, const BinaryFormat& format);

float unpackedToSingle(Unpacked x);
double unpackedToDouble(Unpacked x);

// x + y, or x - y, rounded to 64 bits.
Unpacked addUnpacked(Unpacked x, Unpacked y, bool subtract);
Unpacked multiplyUnpacked(Unpacked x, Unpacked y);
Unpacked divideUnpacked(Unpacked x, Unpacked y);

// The square root of a binary64 value, rounded once to 64 bits.
Unpacked squareRootUnpacked(double value);

// The order of two values as the x87 unit compares them; it raises nothing.
enum class Order { Less, Equal, Greater, Unordered };

Order compareUnpacked(Unpacked x, Unpacked y);

}  // namespace secant::soft
