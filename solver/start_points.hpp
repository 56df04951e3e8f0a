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
// For a search in y = x 2^-variableScale, in y: on the circle of the radius
// times 2^-variableScale, which is then kept within [2^-120, 2^120].
StartPair otherStartPair(const RootRadii& radii, int attempt, int variableScale = 0);

// The power of two 2^s at or below the radius that the attempt-th other
// search starts on, that radius kept within [2^-126, 2^126]: the variable
// y = x 2^-s starts on a circle of radius in [1, 2), and its start points in
// x are finite.
int startScale(const RootRadii& radii, int attempt);

// log2 v for a finite v > 0, to about 2^-30 (deterministic).
double binaryLogarithm(double v);

// 2^v for a finite v, to about 2^-30 relative (deterministic).
double binaryPower(double v);

}  // namespace secant
