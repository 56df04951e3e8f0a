// Whether the arithmetic can tell P(x) from zero at a point: the value that
// evaluatePolynomial computes there against a bound of its rounding error
// (bounds::horner32ErrorBound).
#pragma once

#include "solver/polynomial.hpp"

namespace secant {

// True when |evaluatePolynomial(table, x)| is within the bound of its
// rounding error: the exact P(x) may be zero, and the arithmetic cannot say
// more about x. False where the bound is not finite.
bool cannotBeToldFromZero(const CoefficientTable& table, Complex x);

}  // namespace secant
