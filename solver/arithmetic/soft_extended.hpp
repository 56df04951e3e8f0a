// The software extended arithmetic: the x87 unit's results (a 64-bit
// significand, round to nearest with ties to even) and its invalid,
// division-by-zero and overflow flags, from binary32 and binary64 hardware
// arithmetic where that decides the result, and from the integer
// implementation of unpacked_extended.hpp where it does not.
//
// A value remembers how it was made, as long as that is one of the forms the
// complex formulas build, and is rounded only when it is used:
//
//   Single    `first`, a binary32 value (widen)
//   Exact     the product of the Single values `first` and `second`: at
//             most 48 significant bits, exact in binary64 and far within its
//             range (or the infinity or NaN that the product of an infinity
//             or NaN is)
//   SingleSum first + second rounded to 64 bits, for two Single values
//   Sum       terms.hi + terms.lo rounded to 64 bits, for two Single or
//             Exact values
//   Quotient  that sum (or a Single or Exact value) over the Single value
//             `divisor`, rounded to 64 bits
//   Root      the square root of the binary64 value root.radicand rounded to
//             64 bits; root.rounded holds it rounded to binary64
//   Unpacked  any other value, held in `unpacked`
//
// Each form has its factory (heldSingle, heldProduct, heldSingleSum,
// heldSum, heldQuotient, heldRoot, heldUnpacked). The functions of this
// layer take and give SoftExtended values; those of the integer layer below
// say so in their names (addUnpacked, unpackedToSingle, ...), and the halves
// of this layer that go through it are named ...ViaUnpacked.
//
// A sum or product of two binary32 values rounded to 64 bits and then to 24
// is the same rounded once (64 >= 2 * 24 + 2), so binary32 arithmetic gives
// it. Why binary64 arithmetic may stand for the x87 unit's roundings: rounding
// is monotonic and leaves representable values alone. A point m halfway
// between two binary32 values has 25 significant bits, m times a binary32
// divisor at most 49: both are binary64 values and lie on the 64-bit grid.
// So a binary64 sum (or quotient of a binary64 sum) lies on the same side of
// every such m as the exact one, or on m; the exact sum rounded to 64 bits
// does too, and a 64-bit numerator that is not m times the divisor differs
// from it by at least one unit of the 64-bit grid, so its quotient does not
// round to m either. Unless the binary64 result is m itself, all of them lie
// strictly between the same two halfway points and round to the same binary32
// value. On m, a sum that binary64 holds exactly is rounded once, as the sum
// of two floats mostly is; otherwise, and outside the binary32 normal range,
// the exact result is computed in integers, which is rare. An infinite or
// NaN result goes that way too, for its flags.
//
// A value raises what its making raises (inf - inf, 0 / 0, ...) when it is
// made, as the x87 unit does; where rounding or comparing it goes the exact
// way, that raises the same again, which changes nothing unless the flags
// were cleared in between (the solver never does so). The binary64 arithmetic
// must be evaluated in binary64, rounding to nearest and without contraction
// into fused multiply-adds, as the numeric environment and the compiler
// flags have it.
#pragma once

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "solver/arithmetic/unpacked_extended.hpp"

static_assert(FLT_EVAL_METHOD == 0, "binary64 arithmetic is evaluated in binary64");

namespace secant {

enum class SoftForm : unsigned char { Single, Exact, SingleSum, Sum, Quotient, Root, Unpacked };

namespace soft {

// Two binary64 terms whose sum, rounded to 64 bits, is the value.
struct Terms {
    double hi;
    double lo;
};

// A square root, rounded to 64 bits, of a binary64 value, and that root
// rounded to binary64.
struct RootParts {
    double radicand;
    double rounded;
};

}  // namespace soft

// A value in the form it was made in, each field named for the forms that
// use it (the layout is that of the plain fields it replaced).
struct SoftExtended {
    SoftForm form = SoftForm::Single;
    // Single: first is the value. Exact: the factors. SingleSum: the terms.
    float first = 0.0F;
    float second = 0.0F;
    union {
        // Sum: the terms. Quotient: those of the numerator. (lo = -0: x + -0
        // is x for every x, either zero included.)
        soft::Terms terms{0.0, -0.0};
        soft::RootParts root;  // Root
    };
    double divisor = 1.0;       // Quotient: the binary32 divisor
    soft::Unpacked unpacked{};  // Unpacked
};

namespace soft {

// The halves that go through Unpacked values, out of line. Those for the
// forms the formulas build take and give the same forms, so that the form
// of every value in a formula is known where it is compiled. The others take
// their operands by value: a copy made for the call, so that the address of
// no value in a formula leaves it and the compiler keeps them in registers.
// What making a value raises, for operands of the forms that keep their
// binary32 operands (Single, Exact, SingleSum) given as form, first, second
// (a Sum's own making has raised what its operands raise).
void raiseForProduct(float x, float y);
void raiseForSum(SoftForm xForm, float x1, float x2, SoftForm yForm, float y1, float y2,
                 bool subtract);
void raiseForQuotient(SoftForm xForm, float x1, float x2, double hi, double lo, float divisor);
void raiseForSquareRoot(double value);
float exactToSingle(double value);
float sumToSingle(double hi, double lo);
float quotientToSingle(double hi, double lo, double divisor);
double sumToDouble(double hi, double lo);
Order rootOrder(double value, double y);

Unpacked toUnpacked(SoftExtended x);
SoftExtended multiplyViaUnpacked(SoftExtended x, SoftExtended y);
SoftExtended addViaUnpacked(SoftExtended x, SoftExtended y, bool subtract);
SoftExtended divideViaUnpacked(SoftExtended x, SoftExtended y);
float toSingleViaUnpacked(SoftExtended x);
double toDoubleViaUnpacked(SoftExtended x);
Order compareViaUnpacked(SoftExtended x, SoftExtended y);

// The values of each form, every field given (the others at their defaults).
inline constexpr Terms kNoTerms{0.0, -0.0};

constexpr SoftExtended heldSingle(float value) {
    return SoftExtended{SoftForm::Single, value, 0.0F, kNoTerms, 1.0, Unpacked{}};
}

constexpr SoftExtended heldProduct(float x, float y) {
    return SoftExtended{SoftForm::Exact, x, y, kNoTerms, 1.0, Unpacked{}};
}

constexpr SoftExtended heldSingleSum(float x, float y) {
    return SoftExtended{SoftForm::SingleSum, x, y, kNoTerms, 1.0, Unpacked{}};
}

constexpr SoftExtended heldSum(double hi, double lo) {
    return SoftExtended{SoftForm::Sum, 0.0F, 0.0F, Terms{hi, lo}, 1.0, Unpacked{}};
}

constexpr SoftExtended heldQuotient(Terms numerator, double divisor) {
    return SoftExtended{SoftForm::Quotient, 0.0F, 0.0F, numerator, divisor, Unpacked{}};
}

constexpr SoftExtended heldRoot(double radicand, double rounded) {
    SoftExtended x{SoftForm::Root, 0.0F, 0.0F, kNoTerms, 1.0, Unpacked{}};
    x.root = RootParts{radicand, rounded};
    return x;
}

constexpr SoftExtended heldUnpacked(Unpacked value) {
    return SoftExtended{SoftForm::Unpacked, 0.0F, 0.0F, kNoTerms, 1.0, value};
}

constexpr bool isBinary64(const SoftExtended& x) {
    return x.form == SoftForm::Single || x.form == SoftForm::Exact;
}

constexpr bool isSum(const SoftExtended& x) {
    return x.form == SoftForm::SingleSum || x.form == SoftForm::Sum;
}

// The binary64 value of a Single or Exact value. Conversions are made where
// they are used: the compiler may not move one (it could raise a flag) to
// where it is not needed.
constexpr double binary64Of(const SoftExtended& x) {
    return x.form == SoftForm::Single ? double{x.first} : double{x.first} * double{x.second};
}

// The two binary64 terms of a sum (SingleSum or Sum), or of a value of the
// forms above and -0.
constexpr Terms termsOf(const SoftExtended& x) {
    if (x.form == SoftForm::SingleSum) {
        return Terms{x.first, x.second};
    }
    if (x.form == SoftForm::Sum) {
        return x.terms;
    }
    return Terms{binary64Of(x), -0.0};
}

constexpr std::uint64_t magnitudeBits(double value) {
    return std::bit_cast<std::uint64_t>(value) & ~kBinary64.signBit();
}

inline constexpr std::uint64_t kTwoTo127 = std::bit_cast<std::uint64_t>(0x1p127);

// The error of a binary64 sum: x + y - sum exactly (TwoSum), for finite operands.
inline double sumError(double x, double y, double sum) {
    const double yPart = sum - x;
    return (x - (sum - yPart)) + (y - yPart);
}

// True when the binary64 value lies in binary32's normal range below 2^127
// and is not halfway between two binary32 values (the bits that binary32
// drops are 1000...0 there).
constexpr bool clearOfSingleTies(double value) {
    constexpr std::uint64_t kLow = std::bit_cast<std::uint64_t>(0x1p-126);
    constexpr int kDropped = kBinary64.fractionBits - kBinary32.fractionBits;
    constexpr std::uint64_t kDroppedBits = (std::uint64_t{1} << kDropped) - 1;
    constexpr std::uint64_t kHalfway = std::uint64_t{1} << (kDropped - 1);
    return magnitudeBits(value) - kLow < kTwoTo127 - kLow &&
           (std::bit_cast<std::uint64_t>(value) & kDroppedBits) != kHalfway;
}

// The unit in the last place of a binary64 value of magnitude 2^-970 or more.
constexpr double unitOf(double value) {
    constexpr auto kFractionBits = static_cast<std::uint64_t>(kBinary64.fractionBits);
    return std::bit_cast<double>((magnitudeBits(value) & kBinary64.exponentField()) -
                                 (kFractionBits << kFractionBits));
}

// Exact. A signalling NaN, which the x87 unit quiets as it loads it, raising
// invalid, is kept as it is and raises invalid where it is used: a NaN result
// goes the exact way, and that starts from the binary32 operands.
inline SoftExtended widen(float value) {
    return heldSingle(value);
}

// An Exact value rounded to binary32 (the product is exact at 64 bits, so
// this is one rounding): finite unless an operand is infinite or NaN or the
// product overflows.
inline float roundedProduct(const SoftExtended& x) {
    return x.first * x.second;
}

// A SingleSum value rounded to binary32, the sum rounded once: finite unless
// an operand is infinite or NaN or the sum overflows.
inline float roundedSum(const SoftExtended& x) {
    return x.first + x.second;
}

inline SoftExtended multiply(const SoftExtended& x, const SoftExtended& y) {
    if (x.form == SoftForm::Single && y.form == SoftForm::Single) {
        const SoftExtended product = heldProduct(x.first, y.first);
        if (!std::isfinite(roundedProduct(product))) [[unlikely]] {
            raiseForProduct(x.first, y.first);  // 0 * inf, a signalling NaN
        }
        return product;
    }
    return multiplyViaUnpacked(x, y);
}

inline SoftExtended add(const SoftExtended& x, const SoftExtended& y, bool subtract) {
    // x - y is x + (-y) in every case, signed zeros included.
    if (x.form == SoftForm::Single && y.form == SoftForm::Single) {
        const SoftExtended sum = heldSingleSum(x.first, subtract ? -y.first : y.first);
        if (!std::isfinite(roundedSum(sum))) [[unlikely]] {
            raiseForSum(x.form, x.first, x.second, y.form, y.first, y.second, subtract);
        }
        return sum;
    }
    if (isBinary64(x) && isBinary64(y)) {
        const double hi = binary64Of(x);
        const double lo = subtract ? -binary64Of(y) : binary64Of(y);
        if (std::isnan(hi + lo)) [[unlikely]] {
            raiseForSum(x.form, x.first, x.second, y.form, y.first, y.second, subtract);
        }
        return heldSum(hi, lo);
    }
    return addViaUnpacked(x, y, subtract);
}

inline SoftExtended divide(const SoftExtended& x, const SoftExtended& y) {
    if ((isBinary64(x) || isSum(x)) && y.form == SoftForm::Single) {
        const Terms terms = termsOf(x);
        const double divisor = y.first;
        if (!std::isfinite((terms.hi + terms.lo) / divisor)) [[unlikely]] {
            // 0 / 0, x / 0, inf / inf, a signalling NaN
            raiseForQuotient(x.form, x.first, x.second, terms.hi, terms.lo, y.first);
        }
        return heldQuotient(terms, divisor);
    }
    return divideViaUnpacked(x, y);
}

// The square root of a binary64 value, rounded once to 64 bits.
inline SoftExtended squareRoot(double value) {
    if (!(value >= 0.0)) [[unlikely]] {
        raiseForSquareRoot(value);  // a negative number
    }
    return heldRoot(value, std::sqrt(value));
}

// Rounds to binary32, ties to even; beyond the range gives an infinity and
// raises overflow; below it, a subnormal or zero.
inline float toSingle(const SoftExtended& x) {
    switch (x.form) {
        case SoftForm::Single:
            if (std::isnan(x.first)) [[unlikely]] {
                break;  // quieted, and invalid raised for a signalling one
            }
            return x.first;
        // An infinity or NaN goes the exact way, for the overflow flag.
        case SoftForm::Exact: {
            const float product = roundedProduct(x);
            return std::isfinite(product) ? product : exactToSingle(binary64Of(x));
        }
        case SoftForm::SingleSum: {
            const float sum = roundedSum(x);
            return std::isfinite(sum) ? sum : sumToSingle(x.first, x.second);
        }
        case SoftForm::Sum: {
            const double sum = x.terms.hi + x.terms.lo;
            // A zero sum is exact, its sign that of the rounding to 64 bits.
            if (clearOfSingleTies(sum) || sum == 0.0) {
                return static_cast<float>(sum);
            }
            // An exact binary64 sum (as the sum of two floats mostly is) is
            // rounded once, halfway or not, as long as it cannot overflow.
            if (magnitudeBits(sum) < kTwoTo127 && sumError(x.terms.hi, x.terms.lo, sum) == 0.0) {
                return static_cast<float>(sum);
            }
            return sumToSingle(x.terms.hi, x.terms.lo);
        }
        case SoftForm::Quotient: {
            const double quotient = (x.terms.hi + x.terms.lo) / x.divisor;
            // Zero only for a zero numerator over a finite divisor, or any
            // finite one over an infinity: exact.
            if (clearOfSingleTies(quotient) || quotient == 0.0) {
                return static_cast<float>(quotient);
            }
            return quotientToSingle(x.terms.hi, x.terms.lo, x.divisor);
        }
        default: break;
    }
    return toSingleViaUnpacked(x);
}

// Rounds to binary64, ties to even, in the same way.
inline double toDouble(const SoftExtended& x) {
    switch (x.form) {
        case SoftForm::Single:
            if (std::isnan(x.first)) [[unlikely]] {
                break;  // quieted, and invalid raised for a signalling one
            }
            return binary64Of(x);
        case SoftForm::Exact: return binary64Of(x);
        case SoftForm::SingleSum:
        case SoftForm::Sum: {
            const Terms terms = termsOf(x);
            // sum + error is the exact sum. Rounding it to 64 bits first
            // matters only where that lands halfway between the sum and its
            // neighbour, at least 0.4998 units of the sum from it (halfway
            // below a power of two the tie goes to the power, the sum, anyway).
            const double sum = terms.hi + terms.lo;
            // (A sum below 2^-970 gives no positive unit and goes the exact
            // way, as an infinite or NaN one does through its error.)
            if (std::abs(sumError(terms.hi, terms.lo, sum)) < 0.49 * unitOf(sum)) {
                return sum;
            }
            return sumToDouble(terms.hi, terms.lo);
        }
        default: break;
    }
    return toDoubleViaUnpacked(x);
}

constexpr Order orderOf(double x, double y) {
    if (x < y) {
        return Order::Less;
    }
    if (x > y) {
        return Order::Greater;
    }
    return x == y ? Order::Equal : Order::Unordered;
}

// The order as the x87 unit compares; it raises what the operands' making raises.
inline Order compare(const SoftExtended& x, const SoftExtended& y) {
    if (isBinary64(x) && isBinary64(y)) {
        const Order order = orderOf(binary64Of(x), binary64Of(y));
        if (order != Order::Unordered) [[likely]] {
            return order;
        }
    }
    if (x.form == SoftForm::Root && isBinary64(y)) {
        // Rounding is monotonic and y is a binary64 value: where the root
        // rounded to binary64 differs from y, the root rounded to 64 bits
        // (which then cannot equal y) lies on the same side.
        const double yValue = binary64Of(y);
        if (x.root.rounded < yValue) {
            return Order::Less;
        }
        if (x.root.rounded > yValue) {
            return Order::Greater;
        }
        return rootOrder(x.root.radicand, yValue);
    }
    return compareViaUnpacked(x, y);
}

// Ordered comparison as the x87 FCOMI makes it: a NaN operand makes every
// relation false and raises invalid.
inline Order compareSignalling(const SoftExtended& x, const SoftExtended& y) {
    const Order order = compare(x, y);
    if (order == Order::Unordered) [[unlikely]] {
        raise(kInvalid);
    }
    return order;
}

}  // namespace soft

inline SoftExtended operator+(const SoftExtended& x, const SoftExtended& y) {
    return soft::add(x, y, false);
}
inline SoftExtended operator-(const SoftExtended& x, const SoftExtended& y) {
    return soft::add(x, y, true);
}
inline SoftExtended operator*(const SoftExtended& x, const SoftExtended& y) {
    return soft::multiply(x, y);
}
inline SoftExtended operator/(const SoftExtended& x, const SoftExtended& y) {
    return soft::divide(x, y);
}

// The relations raise invalid for a NaN operand, as x87 comparisons of
// `<`, `<=`, `>` and `>=` do; equality is quiet.
inline bool operator<(const SoftExtended& x, const SoftExtended& y) {
    return soft::compareSignalling(x, y) == soft::Order::Less;
}
inline bool operator>(const SoftExtended& x, const SoftExtended& y) {
    return soft::compareSignalling(x, y) == soft::Order::Greater;
}
inline bool operator<=(const SoftExtended& x, const SoftExtended& y) {
    const soft::Order order = soft::compareSignalling(x, y);
    return order == soft::Order::Less || order == soft::Order::Equal;
}
inline bool operator>=(const SoftExtended& x, const SoftExtended& y) {
    const soft::Order order = soft::compareSignalling(x, y);
    return order == soft::Order::Greater || order == soft::Order::Equal;
}
inline bool operator==(const SoftExtended& x, const SoftExtended& y) {
    return soft::compare(x, y) == soft::Order::Equal;
}

}  // namespace secant
