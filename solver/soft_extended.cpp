#include "solver/soft_extended.hpp"

#include <cmath>

namespace secant::soft {

namespace {

constexpr bool isSignalling(SoftExtended x) {
    return isNaN(x) && (x.significand & kQuietBit) == 0;
}

// A signalling NaN raises invalid wherever it is an operand, and is quieted.
SoftExtended quietNaN(SoftExtended nan) {
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
SoftExtended propagateNaN(SoftExtended x, SoftExtended y) {
    if (isSignalling(x) || isSignalling(y)) {
        raise(kInvalid);
    }
    SoftExtended chosen = x;
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

SoftExtended invalid() {
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

}  // namespace

// The exact extended value of a binary32 or binary64 encoding. A signalling
// NaN stays signalling: what it raises is up to the operation that uses it.
SoftExtended fromBinary(std::uint64_t bits, const BinaryFormat& format) {
    const BinaryFields f = fieldsOf(bits, format);
    const int shift = 63 - format.fractionBits;
    if (f.biased == format.maxBiased()) {
        return f.fraction == 0 ? infinity(f.negative)
                               : SoftExtended{kIntegerBit | (f.fraction << shift), kSpecialExponent,
                                              f.negative};
    }
    if (f.biased == 0) {
        if (f.fraction == 0) {
            return zero(f.negative);
        }
        // Subnormal: fraction * 2^(minExponent - fractionBits), normalized.
        const int leading = std::countl_zero(f.fraction);
        return SoftExtended{f.fraction << leading,
                            format.minExponent - format.fractionBits + 63 - leading, f.negative};
    }
    return SoftExtended{(f.fraction | (std::uint64_t{1} << format.fractionBits)) << shift,
                        f.biased + format.minExponent - 1, f.negative};
}

// What toBinary leaves: zeros, infinities, NaNs, overflow and results below
// the normal range.
std::uint64_t toBinaryUncommon(SoftExtended x, const BinaryFormat& format) {
    const std::uint64_t sign = x.negative ? format.signBit() : 0U;
    const std::uint64_t exponentMask = format.exponentField();
    if (isSpecial(x)) {
        // A NaN keeps its sign and the top of its fraction, quiet bit included.
        const SoftExtended value = isNaN(x) ? quietNaN(x) : x;
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

SoftExtended outOfRange(bool negative, std::int64_t exponent) {
    if (exponent > 0) {
        raise(kOverflow);
        return infinity(negative);
    }
    return zero(negative);
}

SoftExtended addSpecial(SoftExtended x, SoftExtended y, bool subtract) {
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

SoftExtended multiplySpecial(SoftExtended x, SoftExtended y) {
    if (isNaN(x) || isNaN(y)) {
        return propagateNaN(x, y);
    }
    const bool negative = x.negative != y.negative;
    if (isInfinity(x) || isInfinity(y)) {
        return isZero(x) || isZero(y) ? invalid() : infinity(negative);
    }
    return zero(negative);
}

SoftExtended divideSpecial(SoftExtended x, SoftExtended y) {
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

SoftExtended widenUncommon(float value) {
    const SoftExtended x = fromBinary(std::bit_cast<std::uint32_t>(value), kBinary32);
    return isNaN(x) ? quietNaN(x) : x;
}

SoftExtended squareRoot(double value) {
    const SoftExtended x = fromBinary(std::bit_cast<std::uint64_t>(value), kBinary64);
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

}  // namespace secant::soft
