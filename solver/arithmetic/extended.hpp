// The extended-precision intermediate type of the complex arithmetic.
//
// Every formula in the solver goes through the names below, never through
// `long double` directly. Where `long double` is the x87 extended format it
// is used as it is; elsewhere (binary128 on ARM64, binary64 with MSVC), or
// when SECANT_FORCE_SOFT_EXTENDED is defined, the software implementation
// with the same 64-bit significand takes its place and the formulas give the
// same bits.
#pragma once

#include <cfloat>
#include <cmath>
#include <limits>

#include "solver/arithmetic/soft_extended.hpp"

#if LDBL_MANT_DIG == 64
#define SECANT_HAVE_X87_EXTENDED 1
#else
#define SECANT_HAVE_X87_EXTENDED 0
#endif

#if defined(SECANT_FORCE_SOFT_EXTENDED) || !SECANT_HAVE_X87_EXTENDED
#define SECANT_EXTENDED_IS_SOFTWARE 1
#else
#define SECANT_EXTENDED_IS_SOFTWARE 0
#endif

namespace secant {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<float>::digits == 24,
              "the values are IEEE 754 binary32");
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<double>::digits == 53,
              "the moduli are rounded through IEEE 754 binary64");

// An implementation of the extended arithmetic: its value type (with + - * /
// and the comparisons) and the four conversions the formulas use.
struct SoftArithmetic {
    using Value = SoftExtended;
    static Value widen(float value) { return soft::widen(value); }
    static float toSingle(Value value) { return soft::toSingle(value); }
    static double toDouble(Value value) { return soft::toDouble(value); }
    static Value squareRoot(double value) { return soft::squareRoot(value); }
};

#if SECANT_HAVE_X87_EXTENDED
struct X87Arithmetic {
    using Value = long double;
    // The compiler may do a sum of two floats, or a product rounded straight
    // back to float, in single precision: the same value and the same flags
    // (the wide intermediate has more than twice the digits of a float, so
    // rounding twice is the same as rounding once), only the choice between two
    // NaN operands differs, and nothing shows a NaN's sign or payload.
    static Value widen(float value) { return static_cast<Value>(value); }
    static float toSingle(Value value) { return static_cast<float>(value); }
    static double toDouble(Value value) { return static_cast<double>(value); }
    static Value squareRoot(double value) { return std::sqrt(static_cast<Value>(value)); }
};
#endif

#if SECANT_EXTENDED_IS_SOFTWARE
using Arithmetic = SoftArithmetic;
#else
using Arithmetic = X87Arithmetic;
#endif

using Extended = Arithmetic::Value;

// Exact: every float is an extended value.
inline Extended widen(float value) {
    return Arithmetic::widen(value);
}

// Rounds to the nearest binary32 value, ties to even (overflow gives an infinity).
inline float toSingle(Extended value) {
    return Arithmetic::toSingle(value);
}

// Rounds to the nearest binary64 value.
inline double toDouble(Extended value) {
    return Arithmetic::toDouble(value);
}

// The square root of a binary64 value, rounded once to the extended format.
inline Extended squareRoot(double value) {
    return Arithmetic::squareRoot(value);
}

}  // namespace secant
