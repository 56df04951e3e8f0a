// The roots of the equation as read, refined all together in binary64 from
// the listed ones: each step uses the coefficients as read, so no deflation
// can damage them. And a multiple root where refined roots crowd together.
#pragma once

#include <array>

#include "solver/bounds/complex64.hpp"
#include "solver/polynomial.hpp"

namespace secant {

// At most this many steps of the iteration from one set of starts.
inline constexpr int kMaxRefinementIterations = 100;

struct RefinedRoots {
    std::array<Complex64, kMaxCoefficients> roots{};  // index 1 on, as the listing
    int iterations = 0;                               // the steps made
    // Index 1 on: P at the root cannot be told from zero in binary64 (the
    // running bound of Horner's rounding error covers its value), or is zero.
    std::array<bool, kMaxCoefficients> settled{};
    bool converged = false;  // every root settled within kMaxRefinementIterations
};

// The n = asRead.count - 1 roots of the table asRead by the Aberth-Ehrlich
// iteration, from roots 1 to found of the listing (found <= n); the others,
// and any that is not finite or equals one before it, start on a circle that
// holds every root, except that the listing's zeros stay where 0 is a root
// of that multiplicity. Stops once every root is settled, else after
// kMaxRefinementIterations steps with the roots of the step whose largest
// Weierstrass correction |P(zi) / (a0 prod (zi - zj))| was least.
// Requires asRead.count >= 2 and a nonzero leading coefficient. IEEE basic
// operations only, so the same on every platform.
RefinedRoots refineRoots(const CoefficientTable& asRead,
                         const std::array<Complex, kMaxCoefficients>& listed, int found);

// The same iteration from starts where the roots can be, whatever was
// listed: 0 for each power of x that divides P, and on the circles of the
// Newton polygon's radii as many as the edge has roots.
RefinedRoots refineRootsAfresh(const CoefficientTable& asRead);

// Whether roots crowding near `near` are one multiple root of asRead.
struct MultipleRoot {
    bool found = false;
    bool exact = false;  // P .. P^(multiplicity-1) are exactly 0 at centre
    Complex64 centre;    // the simple root of P^(k-1) there, to binary64 accuracy
    int multiplicity = 0;
};

// Looks for a multiple root where k (2 <= k <= n) roots crowd near `near`:
// the root c of P^(k-1) there by Newton's method; its multiplicity is the
// first j with P^(j) not exactly 0 at c or at the nearest binary32 point
// (a part below 2^-20 of the other taken as 0; that point is then the
// centre), or, failing that, the first j whose
// Taylor coefficient P^(j)(c) / j! is beyond what rounding the coefficients
// to binary32 can make of it. found where that is 2 or more (it may differ
// from k: the group of crowding roots may hold fewer or more). Requires a
// nonzero leading coefficient.
MultipleRoot findMultipleRoot(const CoefficientTable& asRead, Complex64 near, int k);

}  // namespace secant
