#include "solver/arithmetic/unpacked_extended.hpp"

#include <bit>
#include <cmath>

#include "solver/arithmetic/wide_word.hpp"

namespace secant::soft {

namespace {

// The conditions raised since they were last set.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
thread_local constinit unsigned raised = 0U;

constexpr std::int32_t kExponentLimit = 0x10000000;
constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;

constexpr Unpacked zero(bool negative) {
    return Unpacked{0, kZeroExponent, negative};
}

constexpr Unpacked infinity(bool negative) {
    return Unpacked{kIntegerBit, kSpecialExponent, negative};
}

// What an invalid operation gives without a NaN operand: the x87 "indefinite".
constexpr Unpacked defaultNaN() {
    return Unpacked{kIntegerBit | kQuietBit, kSpecialExponent, true};
}

constexpr bool isSignalling(Unpacked x) {
    return isNaN(x) && (x.significand & kQuietBit) == 0;
}

// A signalling NaN raises invalid wherever it is an operand, and is quieted.
Unpacked quietNaN(Unpacked nan) {
    if (isSignalling(nan)) {
        raise(kInvalid);
    }
    nan.significand |= kQuietBit;
    return nan;
}

// The NaN that an operation with a NaN operand gives, as the x87 unit picks
// it: a quiet NaN before a signalling one, then the larger significand, and
// of two that differ only in sign the positive one. A signalling NaN
// operand raises invalid; the result is always quiet.
Unpacked propagateNaN(Unpacked x, Unpacked y) {
    if (isSignalling(x) || isSignalling(y)) {
        raise(kInvalid);
    }
    Unpacked chosen = x;
    if (isNaN(x) && isNaN(y)) {
        const bool xQuiet = !isSignalling(x);
        const bool yQuiet = !isSignalling(y);
        if (xQuiet != yQuiet) {
            chosen = xQuiet ? x : y;
        } else if (x.significand != y.significand) {
            chosen = x.significand > y.significand ? x : y;
        } else {
            chosen = x.negative ? y : x;
        }
    } else if (isNaN(y)) {
        chosen = y;
    }
    chosen.significand |= kQuietBit;
    return chosen;
}

Unpacked invalid() {
    raise(kInvalid);
    return defaultNaN();
}

// significand * 2^(exponent - 63) rounded to a multiple of 2^lowestExponent,
// ties to even, as that multiple's count.
std::uint64_t roundToMultiple(std::uint64_t significand, std::int64_t exponent,
                              std::int64_t lowestExponent) {
    const std::int64_t shift = lowestExponent - (exponent - 63);
    if (shift > 64) {
        return 0;  // below half of the smallest step
    }
    const std::uint64_t kept = shift == 64 ? 0 : significand >> shift;
    const std::uint64_t rest =
        shift == 64 ? significand : significand & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (kept & 1U) != 0)) {
        return kept + 1;
    }
    return kept;
}

// The integer square root of n (2^126 <= n < 2^128), and whether the exact
// root lies above the root plus one half. The root of an integer is never
// exactly halfway between two integers.
struct Root {
    std::uint64_t root;
    bool roundUp;
};

Root integerSquareRoot(wide::Word128 n) {
    // A binary64 estimate is within 2^12 of the root; one Newton step and a
    // final check in integers make it exact.
    const double estimate =
        std::sqrt(static_cast<double>(n.hi) * 0x1p64 + static_cast<double>(n.lo));
    std::uint64_t r = estimate >= 0x1p64 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(estimate);
    const wide::Word128 square = wide::multiply(r, r);
    if (wide::lessThan(n, square)) {
        r -= wide::divide(wide::subtract(square, n), r).quotient >> 1;
    } else {
        const std::uint64_t step = wide::divide(wide::subtract(n, square), r).quotient >> 1;
        r = step > ~std::uint64_t{0} - r ? ~std::uint64_t{0} : r + step;
    }
    while (wide::lessThan(n, wide::multiply(r, r))) {
        --r;
    }
    while (r != ~std::uint64_t{0} && !wide::lessThan(n, wide::multiply(r + 1, r + 1))) {
        ++r;
    }
    const wide::Word128 remainder = wide::subtract(n, wide::multiply(r, r));
    return Root{r, wide::lessThan(wide::Word128{0, r}, remainder)};
}

Unpacked outOfRange(bool negative, std::int64_t exponent) {
    if (exponent > 0) {
        raise(kOverflow);
        return infinity(negative);
    }
    return zero(negative);
}

Unpacked addSpecial(Unpacked x, Unpacked y, bool subtract) {
    if (isNaN(x) || isNaN(y)) {
        return propagateNaN(x, y);
    }
    y.negative = y.negative != subtract;
    if (isInfinity(x)) {
        return isInfinity(y) && x.negative != y.negative ? invalid() : x;
    }
    if (isInfinity(y)) {
        return y;
    }
    if (isZero(x) && isZero(y)) {
        return zero(x.negative && y.negative);
    }
    return isZero(x) ? y : x;
}

Unpacked multiplySpecial(Unpacked x, Unpacked y) {
    if (isNaN(x) || isNaN(y)) {
        return propagateNaN(x, y);
    }
    const bool negative = x.negative != y.negative;
    if (isInfinity(x) || isInfinity(y)) {
        return isZero(x) || isZero(y) ? invalid() : infinity(negative);
    }
    return zero(negative);
}

Unpacked divideSpecial(Unpacked x, Unpacked y) {
    if (isNaN(x) || isNaN(y)) {
        return propagateNaN(x, y);
    }
    const bool negative = x.negative != y.negative;
    if (isInfinity(x)) {
        return isInfinity(y) ? invalid() : infinity(negative);
    }
    if (isInfinity(y)) {
        return zero(negative);
    }
    if (isZero(y)) {
        if (isZero(x)) {
            return invalid();
        }
        raise(kDivisionByZero);
        return infinity(negative);
    }
    return zero(negative);
}

// 1 when the bits below the kept part (rest, compared with half a unit)
// round the kept part up, ties to even; 0 otherwise.
constexpr std::uint64_t roundsUp(std::uint64_t rest, std::uint64_t half, std::uint64_t kept) {
    return static_cast<std::uint64_t>(rest > half) |
           (static_cast<std::uint64_t>(rest == half) & kept & 1U);
}

// A normalized 128-bit significand (bit 127 set) rounded to 64 bits.
Unpacked roundWide(bool negative, std::int64_t exponent, wide::Word128 s) {
    std::uint64_t significand = s.hi + roundsUp(s.lo, kHalf, s.hi);
    if (significand == 0) [[unlikely]] {
        significand = kIntegerBit;  // the carry ran through all 64 bits
        ++exponent;
    }
    if (static_cast<std::uint64_t>(exponent + kExponentLimit) >
        2 * static_cast<std::uint64_t>(kExponentLimit)) [[unlikely]] {
        return outOfRange(negative, exponent);
    }
    return Unpacked{significand, static_cast<std::int32_t>(exponent), negative};
}

// True for a finite non-zero value: its exponent lies strictly between zero's
// and the special one's.
constexpr bool isFiniteNonZero(Unpacked x) {
    constexpr auto kLow = static_cast<std::uint32_t>(kZeroExponent) + 1U;
    constexpr auto kSpan = static_cast<std::uint32_t>(kSpecialExponent - kZeroExponent - 1);
    return static_cast<std::uint32_t>(x.exponent) - kLow < kSpan;
}

bool needsSpecialCare(Unpacked x, Unpacked y) {
    return !(isFiniteNonZero(x) && isFiniteNonZero(y));
}

// significand * 2^-n as a 128-bit word with the significand at the top, for
// n >= 1; the bits shifted out are ORed into the lowest bit.
wide::Word128 alignRight(std::uint64_t significand, std::int64_t n) {
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

}  // namespace

unsigned raisedFlags() {
    return raised;
}

void setRaisedFlags(unsigned flags) {
    raised = flags;
}

void raise(unsigned flags) {
    raised |= flags;
}

// The exact extended value of a binary32 or binary64 encoding. A signalling
// NaN stays signalling: what it raises is up to the operation that uses it.
Unpacked unpackBinary(std::uint64_t bits, const BinaryFormat& format) {
    const BinaryFields f = fieldsOf(bits, format);
    const int shift = 63 - format.fractionBits;
    if (f.biased == format.maxBiased()) {
        return f.fraction == 0
                   ? infinity(f.negative)
                   : Unpacked{kIntegerBit | (f.fraction << shift), kSpecialExponent, f.negative};
    }
    if (f.biased == 0) {
        if (f.fraction == 0) {
            return zero(f.negative);
        }
        // Subnormal: fraction * 2^(minExponent - fractionBits), normalized.
        const int leading = std::countl_zero(f.fraction);
        return Unpacked{f.fraction << leading,
                        format.minExponent - format.fractionBits + 63 - leading, f.negative};
    }
    return Unpacked{(f.fraction | (std::uint64_t{1} << format.fractionBits)) << shift,
                    f.biased + format.minExponent - 1, f.negative};
}

Unpacked unpackSingle(float value) {
    const Unpacked x = unpackBinary(std::bit_cast<std::uint32_t>(value), kBinary32);
    return isNaN(x) ? quietNaN(x) : x;
}

std::uint64_t unpackedToBinary(Unpacked x, const BinaryFormat& format) {
    const int dropped = 63 - format.fractionBits;
    // Zero's exponent and the special one lie outside this range.
    if (static_cast<std::uint32_t>(x.exponent - format.minExponent) <=
        static_cast<std::uint32_t>(format.maxExponent - format.minExponent)) {
        const std::uint64_t kept = x.significand >> dropped;
        const std::uint64_t rest = x.significand & ((std::uint64_t{1} << dropped) - 1);
        // The significand's leading bit adds one to the exponent field, and the
        // carry of a rounding may run on into it, up to the infinity.
        const std::uint64_t bits =
            (x.negative ? format.signBit() : 0U) +
            (static_cast<std::uint64_t>(x.exponent - format.minExponent) << format.fractionBits) +
            kept + roundsUp(rest, std::uint64_t{1} << (dropped - 1), kept);
        if ((bits & format.exponentField()) == format.exponentField()) {
            raise(kOverflow);
        }
        return bits;
    }
    const std::uint64_t sign = x.negative ? format.signBit() : 0U;
    const std::uint64_t exponentMask = format.exponentField();
    if (isSpecial(x)) {
        // A NaN keeps its sign and the top of its fraction, quiet bit included.
        const Unpacked value = isNaN(x) ? quietNaN(x) : x;
        return sign | exponentMask |
               ((value.significand & ~kIntegerBit) >> (63 - format.fractionBits));
    }
    if (isZero(x)) {
        return sign;
    }
    if (x.exponent > format.maxExponent) {
        raise(kOverflow);
        return sign | exponentMask;
    }
    // A multiple of the smallest subnormal; a carry into the smallest normal
    // value gives its encoding unchanged.
    const std::int64_t lowest = std::int64_t{format.minExponent} - format.fractionBits;
    return sign | roundToMultiple(x.significand, x.exponent, lowest);
}

float unpackedToSingle(Unpacked x) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(unpackedToBinary(x, kBinary32)));
}

double unpackedToDouble(Unpacked x) {
    return std::bit_cast<double>(unpackedToBinary(x, kBinary64));
}

// The arithmetic avoids branches that depend on the data (signs, which
// operand is larger, the rounding direction): those go either way at random.

Unpacked addUnpacked(Unpacked x, Unpacked y, bool subtract) {
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

Unpacked multiplyUnpacked(Unpacked x, Unpacked y) {
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

Unpacked divideUnpacked(Unpacked x, Unpacked y) {
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

Unpacked squareRootUnpacked(double value) {
    const Unpacked x = unpackBinary(std::bit_cast<std::uint64_t>(value), kBinary64);
    if (isNaN(x)) {
        return quietNaN(x);
    }
    if (isZero(x)) {
        return x;  // the root of -0 is -0
    }
    if (x.negative) {
        return invalid();
    }
    if (isInfinity(x)) {
        return x;
    }
    const std::uint64_t significand = x.significand;
    const std::int64_t exponent = x.exponent;
    // value = significand * 2^k with k = exponent - 63; the root takes half
    // of an even power, so the significand is widened by 63 or 64 bits.
    const std::int64_t k = exponent - 63;
    const bool odd = (k & 1) != 0;
    const wide::Word128 n =
        odd ? wide::Word128{significand >> 1, significand << 63} : wide::Word128{significand, 0};
    const std::int64_t rootExponent = (k - (odd ? 63 : 64)) / 2 + 63;
    const Root root = integerSquareRoot(n);
    const wide::Word128 rounded{root.root, root.roundUp ? kHalf + 1 : 0};
    return roundWide(false, rootExponent, rounded);
}

Order compareUnpacked(Unpacked x, Unpacked y) {
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

}  // namespace secant::soft
