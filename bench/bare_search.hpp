// The secant search as a bare loop: the same formulas as findRootSecant,
// without its record, its observer and the flag checks around it. Bare on
// purpose: it is the yardstick that the program's own search is timed
// against, so it must not call the program's loops (findRootSecant,
// findRoots), whatever they come to do.
#pragma once

#include "solver/polynomial.hpp"

namespace secant::bench {

inline Complex bareSearch(int iterationsWanted) {
    Complex x0 = kSecantStart0;
    Complex x1 = kSecantStart1;
    Complex f0 = evaluatePolynomial(x0);
    Complex f1 = evaluatePolynomial(x1);
    const Extended tolerance = widen(kSecantTolerance);
    for (int iteration = 1;; ++iteration) {
        const Complex x2 = x0 - (f0 * (x1 - x0)) / (f1 - f0);
        const Complex f2 = evaluatePolynomial(x2);
        if (!(abs(f2) >= tolerance) || iteration == iterationsWanted) {
            return x2;
        }
        x0 = x1;
        f0 = f1;
        x1 = x2;
        f1 = f2;
    }
}

}  // namespace secant::bench
