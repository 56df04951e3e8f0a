// The roots of the equation as read, refined, as the program prints them:
// a multiple root as one centre for each of its members, and each part with
// the digits that its inclusion disk justifies.
#pragma once

#include <array>
#include <string>

#include "solver/bounds/inclusion.hpp"
#include "solver/refinement.hpp"

namespace secant {

struct RefinedListing {
    // The roots in binary64, the steps; converged: every root settled or
    // one of a multiple root shown so.
    RefinedRoots refined;
    // Index 1 on: 0 for a root on its own, else the lowest index of the
    // members of its multiple root.
    std::array<int, kMaxCoefficients> multipleOf{};
    // Index: the lowest member of a multiple root; how far its members were
    // found from its centre (where they stand in for the disks of the others).
    std::array<double, kMaxCoefficients> spread{};
    PrintedRoots printed;  // index 1 on
    RootDisks disks;       // around the printed roots
    int count = 0;         // the order: every root of the equation
};

// Refines roots 1 to listedCount of the listing (listedCount <= n) into the n roots of
// asRead (afresh from the Newton polygon's circles where that leaves a root
// unsettled), finds the multiple roots among those whose disks form a
// group, and prints each part with the digits down to the last whose unit
// is at least the radius of the disk around the root so printed, at most
// seventeen; a part smaller than that radius, or with no digit so
// justified, as 0; six where no disk is found. Requires asRead.count >= 2
// and a nonzero leading coefficient.
RefinedListing refineListing(const CoefficientTable& asRead,
                             const std::array<Complex, kMaxCoefficients>& listed, int listedCount);

// Whether each listed root 1 to listedCount is shown to lie within
// 1e-5 max(1, |x|) of a root of the equation: of the refined disk around
// one refined root, each refined root taken for one listed root at most.
// Index 1 on: true where it is not shown.
std::array<bool, kMaxCoefficients> listedRootsMissing(
    const RefinedListing& listing, const std::array<Complex, kMaxCoefficients>& listed,
    int listedCount);

}  // namespace secant
