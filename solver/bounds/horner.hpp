// Horner's scheme with a running bound of its rounding error: in binary64 for
// the inclusion disks and the --report residual, and for the binary32 scheme
// of the method's evaluatePolynomial, whose bound the rounding floor takes;
// and P with P' in binary64 for the refinement. The one home of Horner's
// scheme besides the method's own evaluation and deflation.
#pragma once

#include <array>

#include "solver/arithmetic/coefficient_table.hpp"
#include "solver/bounds/complex64.hpp"

namespace secant::bounds {

using Coefficients = std::array<Complex64, kMaxCoefficients>;  // highest power first

// Returns the table's coefficients in binary64 (exactly: every float is a
// double), entries 0 to table.count - 1.
Coefficients widened(const CoefficientTable& table);

struct Evaluated {
    Complex64 value;     // the computed P(x)
    double error = 0;    // |value - P(x)| <= error
    bool exact = false;  // every rounding shown exact: value is P(x)
};

// Returns P(x) by Horner's scheme in binary64 for the count coefficients
// a[0] (highest power) to a[count - 1], with a bound of its rounding error
// (0 where P(x) is shown to be exactly zero; infinity or NaN where a value
// left the range). Requires 1 <= count <= kMaxCoefficients.
Evaluated evaluate(const Coefficients& a, int count, Complex64 x);
// Return bounds of |P(x)| from above and from below (>= 0).
double magnitudeUp(const Evaluated& e);
double magnitudeDown(const Evaluated& e);
// Returns whether the value and its bound are finite.
bool isFinite(const Evaluated& e);

// Returns an upper bound, in binary64, of |evaluatePolynomial(table, x) - P(x)|,
// where evaluatePolynomial is the method's scheme acc = a[i] + (x * acc) in
// Complex arithmetic and P the exact polynomial of the table's binary32
// coefficients; infinity where a computed value is not finite. Requires
// 1 <= table.count <= kMaxCoefficients.
double horner32ErrorBound(const CoefficientTable& table, Complex x);

// Returns the coefficients of the j-th derivative of the polynomial of the
// count coefficients a (highest power first), derivedCount = count - j of
// them: ai times (n - i)! / (n - i - j)!. Exact for binary32 coefficients
// (24 bits times at most 9!, under 2^19). Requires 0 <= j < count <=
// kMaxCoefficients.
Coefficients derivative(const Coefficients& a, int count, int j, int& derivedCount);

struct ValueAndDerivative {
    Complex64 value;
    Complex64 derivative;
};

// Returns P(z) and P'(z) by Horner's scheme in binary64 without a bound:
// p = z p + a[i], and before it d = z d + p. Requires 1 <= count <= kMaxCoefficients.
ValueAndDerivative valueAndDerivative(const Coefficients& a, int count, Complex64 z);

}  // namespace secant::bounds
