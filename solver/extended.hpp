// The extended-precision intermediate type of the complex arithmetic.
//
// Every formula in the solver goes through the names below, never through
// `long double` directly, so that a software implementation with the same
// 64-bit significand can take the place of the x87 type without touching
// the formulas.
#pragma once

#include <cmath>
#include <limits>

namespace secant {

using Extended = long double;

static_assert(std::numeric_limits<Extended>::digits == 64,
              "the arithmetic needs the x87 extended format (64-bit significand)");
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<float>::digits == 24,
              "the values are IEEE 754 binary32");

// Exact: every float is an extended value.
inline Extended widen(float value) {
    return static_cast<Extended>(value);
}

// Rounds to the nearest binary32 value, ties to even (overflow gives an infinity).
inline float toSingle(Extended value) {
    return static_cast<float>(value);
}

// Rounds to the nearest binary64 value.
inline double toDouble(Extended value) {
    return static_cast<double>(value);
}

// The square root of a binary64 value, rounded once to the extended format.
inline Extended squareRoot(double value) {
    return std::sqrt(static_cast<Extended>(value));
}

}  // namespace secant
