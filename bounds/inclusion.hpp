// Inclusion disks for the listed roots: around each root as the listing
// prints it, a disk that certainly holds a root of the equation as read.
//
// Pure computation in binary64 with round to nearest; every rounding is
// bounded (bounds/directed.hpp), so a printed radius is never smaller than
// the truth. The steps of the disks follow the entries, one function each,
// so that each can be tested on its own; the proofs are in inclusion.cpp.
#pragma once

#include <array>
#include <string>

#include "arithmetic/coefficient_table.hpp"
#include "bounds/horner.hpp"

namespace secant {

enum class DiskKind {
    None,          // no disk could be bounded (reason below)
    Simultaneous,  // from all n printed roots at once: also counts the roots of a group
    SinglePoint,   // from P and P' at this root alone: holds at least one root
};

enum class NoDiskReason {
    DerivativeNearZero,  // |P'| could not be bounded away from zero
    Overflow,            // the bounds left the binary64 range
    NotFinite,           // the root is printed as inf or nan
};

struct RootDisk {
    DiskKind kind = DiskKind::None;
    NoDiskReason reason = NoDiskReason::Overflow;
    double centreRe = 0;     // the root as printed, read back (within a few units
    double centreIm = 0;     // in the last place; the radius covers the difference)
    std::string radiusText;  // six significant digits, rounded up
    double radius = 0;       // at least the printed radius
    int group = 0;           // Simultaneous: the lowest root index of its group
    int groupSize = 1;       // Simultaneous: disks in the group, and the roots in them
    unsigned meets = 0;      // Simultaneous: bit j set where disk j is not shown apart from this
    // The radius is |centre| + a bound of every root's modulus: the disk holds them all.
    bool byRootBound = false;
};

using RootDisks = std::array<RootDisk, kMaxCoefficients>;  // index 1 on, as the roots

// A root as printed: the texts of its real and imaginary parts.
struct PrintedRoot {
    std::string re;
    std::string im;
};

using PrintedRoots = std::array<PrintedRoot, kMaxCoefficients>;  // index 1 on, as the roots

// The disks around roots 1 to found, as printed, of the equation whose
// coefficients are asRead. All n roots given with n distinct values: disks of
// the simultaneous theorem, grouped where they overlap; otherwise
// single-point disks. No radius is above |root| + a bound of every root's
// modulus (byRootBound where it is that). Each part is a decimal of at most
// seventeen significant digits as printf's %g writes it ("-12.5", "0.0005",
// "-6.3236812345678901e-07"), within the normal binary64 range; a part that
// is not (inf, nan) gives its root no disk, for NoDiskReason::NotFinite.
RootDisks includePrintedRoots(const CoefficientTable& asRead, const PrintedRoots& roots, int found);

// The disks of the listing's roots 1 to found: includePrintedRoots of each
// part as bounds::printedPart prints it.
RootDisks includeRoots(const CoefficientTable& asRead,
                       const std::array<Complex, kMaxCoefficients>& roots, int found);

}  // namespace secant

// ---------------------------------------------------------------------------
// The steps of the disks. Centres are indexed from 1, as the roots.

namespace secant::inclusion {

using bounds::Coefficients;

struct Centre {
    Complex64 at;      // the printed root read back
    double error = 0;  // |at - printed root| <= error
};

using Centres = std::array<Centre, kMaxCoefficients>;

// Returns an upper bound of the radius of a disk around the printed root that
// holds a root of P of degree n = count - 1 >= 1: n |P| / |P'| at the centre,
// plus the centre's error. Returns infinity where none can be bounded, and
// sets reason to why.
double singlePointRadius(const Coefficients& a, int count, const Centre& centre,
                         NoDiskReason& reason);

struct Corrections {
    std::array<double, kMaxCoefficients> magnitude{};  // >= |Wi|
    std::array<double, kMaxCoefficients> spread{};     // >= n |Wi|
};

// Bounds of the Weierstrass corrections Wi at the centres 1 to n = count - 1.
// Returns false where the theorem cannot be used: two equal centres, or a
// bound beyond the binary64 range.
bool weierstrassCorrections(const Coefficients& a, int count, const Centres& c, Corrections& w);

// Sets group, groupSize and meets of disks 1 to n from their radius: two
// disks meet unless the bounds show them apart, and disks that meet are of one
// group, named by its lowest index.
void groupOverlapping(const Centres& c, int n, RootDisks& disks);
// Returns how many groups disks 1 to n form.
int groupCount(const RootDisks& disks, int n);
// Returns the radius of a disk around printed root i that covers the disks
// n |Wj| around zj of every disk j of its group.
double coveringRadius(const Centres& c, int n, const Corrections& w, const RootDisks& disks, int i);
// Returns an upper bound of |Wi| / (1 - Si), at most n |Wi| (without the
// centre's error), for a disk n |Wi| apart from all the others.
double isolatedRadius(const Centres& c, int n, const Corrections& w, int i);
// Sets the disks 1 to n = count - 1 of the simultaneous theorem from all n
// centres. Returns false where the theorem cannot be used (the disks are
// then to be found otherwise).
bool simultaneousDisks(const Coefficients& a, int count, const Centres& c, RootDisks& disks);

}  // namespace secant::inclusion
