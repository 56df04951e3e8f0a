// The floating-point environment that the arithmetic relies on, and the
// exceptional conditions that a computation may leave behind.
#pragma once

namespace secant {

// Round to nearest, ties to even; x87 precision control at 64 bits; all
// exceptions masked (they set flags, never trap).
void establishNumericEnvironment();

// True when the x87 unit runs with 64-bit precision control and rounds to
// nearest (elsewhere: when the rounding is to nearest).
bool precisionIs64BitsAndRoundingToNearest();

struct ArithmeticFlags {
    bool invalid = false;
    bool divisionByZero = false;
    bool overflow = false;

    [[nodiscard]] bool any() const { return invalid || divisionByZero || overflow; }
};

// Clears the invalid, division-by-zero and overflow flags (and leaves the
// others alone: underflow and inexact are never looked at).
void clearArithmeticFlags();

// The invalid, division-by-zero and overflow flags raised since the last clear.
ArithmeticFlags raisedArithmeticFlags();

// Sets the invalid, division-by-zero and overflow flags to exactly `flags`.
void restoreArithmeticFlags(ArithmeticFlags flags);

}  // namespace secant
