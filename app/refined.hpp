// The roots of the equation as read, refined, as the program prints them:
// each with as many significant digits as its inclusion disk justifies.
#pragma once

#include <array>
#include <string>

#include "solver/bounds/inclusion.hpp"
#include "solver/refinement.hpp"

namespace secant {

struct RefinedListing {
    RefinedRoots refined;  // the roots in binary64, the steps, whether it converged
    PrintedRoots printed;  // index 1 on: each part with 6 to 17 significant digits
    RootDisks disks;       // around the printed roots
    int count = 0;         // the order: every root of the equation
};

// Refines roots 1 to found of the listing (found <= n) into the n roots of
// asRead, prints each part with the significant digits that the disk of the
// root printed with seventeen justifies (at least six: those down to the
// radius), and gives the disks around the roots so printed. Requires
// asRead.count >= 2 and a nonzero leading coefficient.
RefinedListing refineListing(const CoefficientTable& asRead,
                             const std::array<Complex, kMaxCoefficients>& listed, int found);

}  // namespace secant
