// A complex value in binary64, for the bounds and the refinement, with its
// arithmetic written out in IEEE basic operations, so that no library
// routine (std::complex's product, quotient or abs) decides a bit: the same
// bits on every platform and C runtime.
#pragma once

#include <cmath>

namespace secant {

struct Complex64 {
    double re = 0;
    double im = 0;
};

// Returns (a.re + b.re, a.im + b.im), each part rounded once.
inline Complex64 operator+(Complex64 a, Complex64 b) {
    return {a.re + b.re, a.im + b.im};
}

// Returns (a.re - b.re, a.im - b.im), each part rounded once.
inline Complex64 operator-(Complex64 a, Complex64 b) {
    return {a.re - b.re, a.im - b.im};
}

// Returns (a.re b.re - a.im b.im, a.re b.im + a.im b.re): each product and
// each sum rounded once, in that order.
inline Complex64 operator*(Complex64 a, Complex64 b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// Returns a / b with b scaled by a power of two first (exactly), so that
// its squared modulus neither overflows nor underflows; requires b != 0.
inline Complex64 operator/(Complex64 a, Complex64 b) {
    int exponent = 0;
    std::frexp(std::fmax(std::fabs(b.re), std::fabs(b.im)), &exponent);
    const Complex64 s{std::ldexp(b.re, -exponent), std::ldexp(b.im, -exponent)};
    const double n = s.re * s.re + s.im * s.im;
    const Complex64 q{(a.re * s.re + a.im * s.im) / n, (a.im * s.re - a.re * s.im) / n};
    return {std::ldexp(q.re, -exponent), std::ldexp(q.im, -exponent)};
}

// Return whether both parts are zero, or both finite.
inline bool isZero(Complex64 z) {
    return z.re == 0 && z.im == 0;
}

inline bool isFinite(Complex64 z) {
    return std::isfinite(z.re) && std::isfinite(z.im);
}

}  // namespace secant
