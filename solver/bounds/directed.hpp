// Directed bounds under round to nearest: upper and lower bounds of the
// exact results of binary64 operations on magnitudes, one neighbour away
// from the rounded result. The one home of the outward rounding that the
// rounding floor, Horner's error bound and the inclusion disks rest on.
#pragma once

#include "solver/bounds/complex64.hpp"

namespace secant::bounds {

// Every operand below is nonnegative (a bound of a magnitude) unless said
// otherwise, and an exact zero result stays zero.

// Returns a value at least every s >= 0 that rounds to `rounded` (its
// neighbour towards +inf; inf for inf). Requires rounded >= 0.
double up(double rounded);
// Returns a value at most every s >= 0 that rounds to `rounded`, and >= 0 (its
// neighbour towards zero; 0 for 0). Requires rounded >= 0.
double down(double rounded);

// Return an upper or a lower bound of the exact a + b, a * b, a / b (b > 0)
// or sqrt(a); subtractDown a lower bound of max(a - b, 0). Require a, b >= 0.
double addUp(double a, double b);
double addDown(double a, double b);
double subtractDown(double a, double b);
double multiplyUp(double a, double b);
double multiplyDown(double a, double b);
double divideUp(double a, double b);
double sqrtUp(double a);
double sqrtDown(double a);

// Returns an upper bound of |re + i im|, for parts of any sign.
double modulusUp(double re, double im);
// Returns a lower bound of |z|, given lower bounds a, b >= 0 of |re z| and |im z|.
double modulusDown(double a, double b);
// Return a lower or an upper bound of |x - y|, for any x and y.
double distanceDown(Complex64 x, Complex64 y);
double distanceUp(Complex64 x, Complex64 y);

// Return an upper or a lower bound of 10^k; require k >= 0.
double powerOfTenUp(int k);
double powerOfTenDown(int k);
// Returns an upper bound of a 10^k, for any integer k; requires a >= 0.
double scaleUp(double a, int k);

// 10^m, exact in binary64 for 0 <= m <= kLargestExactPowerOfTen (5^22 < 2^53),
// as is each product that builds it.
inline constexpr int kLargestExactPowerOfTen = 22;
double exactPowerOfTen(int m);

}  // namespace secant::bounds
