// Whether the arithmetic can tell P(x) from zero at a point: the value that
// evaluatePolynomial computes there against a bound of its rounding error.
#pragma once

#include "solver/polynomial.hpp"

namespace secant {

// An upper bound, in binary64, of |evaluatePolynomial(table, x) - P(x)|,
// where P is the exact polynomial of the table's (binary32) coefficients;
// infinity where a computed value is not finite.
double horner32ErrorBound(const CoefficientTable& table, Complex x);

// True when |evaluatePolynomial(table, x)| is within that bound: the exact
// P(x) may be zero, and the arithmetic cannot say more about x.
bool cannotBeToldFromZero(const CoefficientTable& table, Complex x);

}  // namespace secant
