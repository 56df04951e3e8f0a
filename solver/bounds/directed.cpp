#include "solver/bounds/directed.hpp"

#include <algorithm>
#include <cmath>

#include "solver/bounds/binary64.hpp"

namespace secant::bounds {

// The rounded result r of one binary64 operation on a nonnegative exact
// result s lies within half a spacing of s, so the neighbour of r away from
// s lies beyond s: nextafter(r, +inf) >= s >= nextafter(r, 0). This holds in
// the subnormal range too, and at the top, where the neighbour of the
// largest finite value is infinity (and r = inf means s > DBL_MAX).

double up(double rounded) {
    return std::nextafter(rounded, kInfinity);
}

double down(double rounded) {
    return rounded > 0 ? std::nextafter(rounded, 0.0) : 0.0;
}

double addUp(double a, double b) {
    const double s = a + b;
    return s == 0 ? 0.0 : up(s);
}

double addDown(double a, double b) {
    return down(a + b);
}

double subtractDown(double a, double b) {
    return a > b ? down(a - b) : 0.0;
}

double multiplyUp(double a, double b) {
    return a == 0 || b == 0 ? 0.0 : up(a * b);
}

double multiplyDown(double a, double b) {
    return down(a * b);
}

double divideUp(double a, double b) {
    return a == 0 ? 0.0 : up(a / b);
}

// The square root is correctly rounded (IEEE 754), so the same holds for it.
double sqrtUp(double a) {
    return a == 0 ? 0.0 : up(std::sqrt(a));
}

double sqrtDown(double a) {
    return down(std::sqrt(a));
}

// |z| <= sqrt(re^2 + im^2) rounded up, and |z| <= |re| + |im| where the
// squares leave the range.
double modulusUp(double re, double im) {
    const double a = std::fabs(re);
    const double b = std::fabs(im);
    const double root = sqrtUp(addUp(multiplyUp(a, a), multiplyUp(b, b)));
    return std::isfinite(root) ? root : addUp(a, b);
}

// |z| >= sqrt(a^2 + b^2) rounded down, and |z| >= max(a, b) where the
// squares underflow.
double modulusDown(double a, double b) {
    return std::fmax(sqrtDown(addDown(multiplyDown(a, a), multiplyDown(b, b))), std::fmax(a, b));
}

// A rounded difference of two binary64 values is the rounded exact
// difference (zero only when they are equal), so down() of its magnitude is
// below the exact one, and up() above it.
double distanceDown(Complex64 x, Complex64 y) {
    return modulusDown(down(std::fabs(x.re - y.re)), down(std::fabs(x.im - y.im)));
}

double distanceUp(Complex64 x, Complex64 y) {
    return modulusUp(up(std::fabs(x.re - y.re)), up(std::fabs(x.im - y.im)));
}

double exactPowerOfTen(int m) {
    double p = 1;
    for (int i = 0; i < m; ++i) {
        p *= 10;
    }
    return p;
}

double powerOfTenUp(int k) {
    double p = exactPowerOfTen(std::min(k, kLargestExactPowerOfTen));
    for (int i = kLargestExactPowerOfTen; i < k; ++i) {
        p = multiplyUp(p, 10);
    }
    return p;
}

double powerOfTenDown(int k) {
    double p = exactPowerOfTen(std::min(k, kLargestExactPowerOfTen));
    for (int i = kLargestExactPowerOfTen; i < k; ++i) {
        p = multiplyDown(p, 10);
    }
    return p;
}

double scaleUp(double a, int k) {
    return k >= 0 ? multiplyUp(a, powerOfTenUp(k)) : divideUp(a, powerOfTenDown(-k));
}

}  // namespace secant::bounds
