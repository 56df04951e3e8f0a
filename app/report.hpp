// The --report lines: for each listed root, how it was found, |P(x)| and
// its inclusion disk; for each refined root, its disk.
#pragma once

#include "app/output.hpp"
#include "app/refined.hpp"
#include "solver/bounds/inclusion.hpp"
#include "solver/recovery.hpp"

namespace secant {

// A line per root of the listing, roots 1 to roots.count, with the residual
// |P(x)| of the equation as read (asRead) and the disks of the listing.
void printReport(Console& console, const FoundRoots& roots, const CoefficientTable& asRead,
                 const RootDisks& disks);

// A line per refined root, with its disk.
void printRefinedReport(Console& console, const RefinedListing& listing);

}  // namespace secant
