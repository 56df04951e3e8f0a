// Start points for searches other than the one from (0, 0) and (1, 1): on
// circles whose radii estimate the moduli of the roots, at angles off the axes.
//
// Everything here is computed with IEEE basic operations, square roots and
// exact scaling, which give the same bits on every platform and C runtime
// (a logarithm or a cosine of the library would not).
#pragma once

#include <array>

#include "solver/polynomial.hpp"

namespace secant {

// Estimates of the moduli of the roots, smallest first: one per edge of the
// Newton polygon (the upper convex hull of log2 |a| against the power),
// then the Fujiwara bound. count is 0 for a table of fewer than two entries
// or a leading coefficient zero.
struct RootRadii {
    std::array<double, kMaxCoefficients + 1> radius{};
    int count = 0;
    // How many roots each radius stands for: the width of its edge (0 for
    // the Fujiwara bound, which bounds them all).
    std::array<int, kMaxCoefficients + 1> roots{};
};

RootRadii estimateRootRadii(const CoefficientTable& table);

struct StartPair {
    Complex x0;
    Complex x1;
};

// The start points of the attempt-th other search (attempt >= 1): the radii
// in turn, each time at a new angle of the table. requires radii.count >= 1.
StartPair otherStartPair(const RootRadii& radii, int attempt);

// log2 v for a finite v > 0, to about 2^-30 (deterministic).
double binaryLogarithm(double v);

// 2^v for a finite v, to about 2^-30 relative (deterministic).
double binaryPower(double v);

}  // namespace secant
