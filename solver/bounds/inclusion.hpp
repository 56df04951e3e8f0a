// Inclusion disks for the listed roots: around each root as the listing
// prints it, a disk that certainly holds a root of the equation as read.
//
// Pure computation in binary64 with round to nearest; every rounding is
// bounded (solver/bounds/directed.hpp), so a printed radius is never smaller than
// the truth. The steps of the disks follow the entries, one function each,
// so that each can be tested on its own; the proofs are in inclusion.cpp.
#pragma once

#include <array>
#include <string>

#include "solver/arithmetic/coefficient_table.hpp"
#include "solver/bounds/horner.hpp"

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
    // Above 1: the centre is printed once for each of the multiplicity roots
    // the disk holds, one root of that multiplicity or within its radius
    // (the disks of the group are this one, group its lowest index).
    int multiplicity = 1;
};

using RootDisks = std::array<RootDisk, kMaxCoefficients>;  // index 1 on, as the roots

// A root as printed: the texts of its real and imaginary parts.
struct PrintedRoot {
    std::string re;
    std::string im;
};

using PrintedRoots = std::array<PrintedRoot, kMaxCoefficients>;  // index 1 on, as the roots

// Returns the disks around roots 1 to found, as printed, of the equation
// whose coefficients are asRead, each holding a root of it: with all n roots
// given as n distinct values, disks of the simultaneous theorem, grouped
// where they overlap, each group of m disks holding m roots; otherwise
// single-point disks, each holding at least one. No radius is above |root| +
// a bound of every root's modulus (byRootBound where it is that). A part
// that is no decimal of at most seventeen significant digits in the normal
// binary64 range (inf, nan) gives its root no disk, for
// NoDiskReason::NotFinite. Requires 1 <= found <= asRead.count - 1 and
// asRead.count <= kMaxCoefficients (else: no disks); the parts as printf's
// %g writes them ("-12.5", "0.0005", "-6.3236812345678901e-07").
RootDisks includePrintedRoots(const CoefficientTable& asRead, const PrintedRoots& roots, int found);

// The roots 1 to n of the equation printed as refined: multipleOf[i] is 0
// for a root printed on its own, else the lowest index of the roots printed
// alike as one multiple root (the same text for each). Returns their disks:
// a multiple root's, from its Taylor coefficients, holds exactly as many
// roots as it has members and is apart from every other disk; the other
// disks as includePrintedRoots gives them, the members of each multiple
// root standing in as distinct points about its centre, at least
// spread[leader] away (how far its members were found). Sets confirmed
// to false where a multiple root's disk could not be shown so (the disks
// are then not to be used). Requires n = asRead.count - 1 >= 1.
RootDisks includeRefinedRoots(const CoefficientTable& asRead, const PrintedRoots& roots,
                              const std::array<int, kMaxCoefficients>& multipleOf,
                              const std::array<double, kMaxCoefficients>& spread, bool& confirmed);

// Returns the disks of the listing's roots 1 to found: includePrintedRoots of
// each part as bounds::printedPart prints it. Requires the same.
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

// Every step takes a polynomial of degree n = count - 1 with
// 2 <= count <= kMaxCoefficients, and centres 1 to n.

// Returns an upper bound of the radius of a disk around the printed root that
// holds a root of P: n |P| / |P'| at the centre, plus the centre's error;
// infinity where none can be bounded, with reason set to why.
double singlePointRadius(const Coefficients& a, int count, const Centre& centre,
                         NoDiskReason& reason);

struct Corrections {
    std::array<double, kMaxCoefficients> magnitude{};  // >= |Wi|
    std::array<double, kMaxCoefficients> spread{};     // >= n |Wi|
};

// Sets w to bounds of the Weierstrass corrections Wi at the centres. Returns
// false where the theorem cannot be used: two equal centres, or a bound
// beyond the binary64 range.
bool weierstrassCorrections(const Coefficients& a, int count, const Centres& c, Corrections& w);

// Sets group, groupSize and meets of disks 1 to n from their radius: two
// disks meet unless the bounds show them apart, and disks that meet are of one
// group, named by its lowest index. Requires the radii set.
void groupOverlapping(const Centres& c, int n, RootDisks& disks);
// Returns how many groups disks 1 to n form. Requires their groups set.
int groupCount(const RootDisks& disks, int n);
// Returns the radius of a disk around printed root i that covers the disks
// n |Wj| around zj of every disk j of its group. Requires the groups set and
// w from weierstrassCorrections.
double coveringRadius(const Centres& c, int n, const Corrections& w, const RootDisks& disks, int i);
// Returns an upper bound of |Wi| / (1 - Si), at most n |Wi| (without the
// centre's error). Requires w from weierstrassCorrections and the disk
// n |Wi| apart from all the others.
double isolatedRadius(const Centres& c, int n, const Corrections& w, int i);
// Returns an upper bound of the radius of a disk around the printed centre
// that holds exactly k roots of P (Pellet's theorem on its Taylor
// coefficients there); 0 plus the centre's error where P .. P^(k-1) are
// exactly 0 at it; infinity where no such disk is shown. Requires
// 1 <= k <= n.
double multipleRootRadius(const Coefficients& a, int count, const Centre& centre, int k);

// Sets the disks 1 to n of the simultaneous theorem from all n centres.
// Returns false where the theorem cannot be used (the disks are then to be
// found otherwise).
bool simultaneousDisks(const Coefficients& a, int count, const Centres& c, RootDisks& disks);

}  // namespace secant::inclusion
