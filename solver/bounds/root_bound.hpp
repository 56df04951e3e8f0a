// A bound of the modulus of every root of a polynomial, in binary64 with
// every step rounded outward.
#pragma once

#include "solver/bounds/horner.hpp"

namespace secant::bounds {

// Returns an upper bound of t^(1/k); requires t >= 0 and k >= 1.
double rootUp(double t, int k);

// Returns an upper bound of |z| for every root z of the polynomial of degree
// n = count - 1 >= 1 with coefficients a (Cauchy's, found inside
// Fujiwara's); infinity where a[0] is 0. Requires 2 <= count <= kMaxCoefficients.
double rootModulusBound(const Coefficients& a, int count);

}  // namespace secant::bounds
