// A polynomial as the program holds it: its Complex coefficients, the
// highest power first. The method keeps one such table for the whole
// process (solver/polynomial.hpp); the bounds and the dialogue take copies.
#pragma once

#include <array>
#include <cstdint>

#include "solver/complex.hpp"

namespace secant {

// The coefficients of an equation of order 9 at most.
inline constexpr int kMaxCoefficients = 10;

// Entry 0 holds the coefficient of the highest power, entry count - 1 the free
// term. count must not exceed kMaxCoefficients when an operation on it runs.
struct CoefficientTable {
    std::array<Complex, kMaxCoefficients> coefficients{};
    std::int32_t count = 0;
};

}  // namespace secant
