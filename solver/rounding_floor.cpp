#include "solver/rounding_floor.hpp"

#include <cmath>

#include "solver/bounds/directed.hpp"
#include "solver/bounds/horner.hpp"

namespace secant {

namespace {

// A lower bound of |z|.
double modulusDown(Complex z) {
    return bounds::modulusDown(std::fabs(double{z.re}), std::fabs(double{z.im}));
}

}  // namespace

// P(x) may be zero where |computed - P(x)| <= bound and the computed
// value's modulus is at most the bound.
bool cannotBeToldFromZero(const CoefficientTable& table, Complex x) {
    const double bound = bounds::horner32ErrorBound(table, x);
    return std::isfinite(bound) && modulusDown(evaluatePolynomial(table, x)) <= bound;
}

}  // namespace secant
