// The roots of the equation as read, refined all together in binary64 from
// the listed ones: each step uses the coefficients as read, so no deflation
// can damage them.
#pragma once

#include <array>

#include "solver/bounds/complex64.hpp"
#include "solver/polynomial.hpp"

namespace secant {

// At most this many steps of the iteration; it has converged where that many
// steps in a row have not made the corrections smaller.
inline constexpr int kMaxRefinementIterations = 100;
inline constexpr int kRefinementStagnation = 8;

struct RefinedRoots {
    std::array<Complex64, kMaxCoefficients> roots{};  // index 1 on, as the listing
    int iterations = 0;                               // the steps made
    bool converged = false;  // the corrections stopped shrinking within kMaxRefinementIterations
};

// The n = asRead.count - 1 roots of the table asRead by the Aberth-Ehrlich
// iteration, from roots 1 to found of the listing (found <= n), the others
// and any that is not finite or equals one before it replaced by points on
// a circle that holds every root. Stops where the largest Weierstrass
// correction |P(zi) / (a0 prod (zi - zj))|, the size of the inclusion disks,
// has not shrunk for kRefinementStagnation steps (or is zero), and keeps the
// roots of the step where it was least.
// Requires asRead.count >= 2 and a nonzero leading coefficient. IEEE basic
// operations only, so the same on every platform.
RefinedRoots refineRoots(const CoefficientTable& asRead,
                         const std::array<Complex, kMaxCoefficients>& listed, int found);

}  // namespace secant
