// The least a program can do to solve what secant solves: read the order and
// the coefficients, find each root with the bare search and deflate by it,
// print the roots. The yardstick for the whole program's cost on a long
// search: its loop over the roots is bare on purpose, not the program's
// findRoots (no recovery, no record), and it is right only where no search
// meets an exceptional condition, as on bench/heavy_search.in.
#include <cstdio>
#include <iostream>

#include "bench/bare_search.hpp"
#include "solver/arithmetic/numeric_environment.hpp"

int main() {
    secant::establishNumericEnvironment();
    secant::CoefficientTable& table = secant::coefficientTable;
    int order = 0;
    if (!(std::cin >> order) || order < 0 || order >= secant::kMaxCoefficients) {
        return 1;
    }
    table.count = order + 1;
    for (int i = 0; i < table.count; ++i) {
        if (!(std::cin >> table.coefficients[static_cast<std::size_t>(i)])) {
            return 1;
        }
    }
    while (table.count > 1) {
        const secant::Complex root = secant::bench::bareSearch(secant::kSecantMaxIterations);
        std::printf("%g %gi\n", static_cast<double>(root.re), static_cast<double>(root.im));
        secant::deflate(root);
    }
    return 0;
}
