// Single-precision complex scalar with fixed rounding points. Where each
// operation rounds, and why z * w and w * z may differ in the last bit, is
// written once, with the formulas, in complex_formulas.hpp.
#pragma once

#include <istream>

#include "solver/arithmetic/extended.hpp"

namespace secant {

struct Complex {
    float re = 0.0F;
    float im = 0.0F;

    constexpr Complex() = default;
    constexpr Complex(float real, float imaginary) : re(real), im(imaginary) {}

    // A real value: the imaginary part becomes +0.
    constexpr Complex& operator=(float real) {
        re = real;
        im = 0.0F;
        return *this;
    }

    [[nodiscard]] constexpr float real() const { return re; }
    [[nodiscard]] constexpr float imag() const { return im; }

    Complex& operator+=(Complex w);
    Complex& operator-=(Complex w);
    Complex& operator*=(Complex w);
    Complex& operator/=(Complex w);
};

// The left operand is z. Each gives what its compound form gives a copy of z.
Complex operator+(Complex z, Complex w);
Complex operator-(Complex z, Complex w);
Complex operator*(Complex z, Complex w);
Complex operator/(Complex z, Complex w);

inline Complex& Complex::operator+=(Complex w) {
    return *this = *this + w;
}
inline Complex& Complex::operator-=(Complex w) {
    return *this = *this - w;
}
inline Complex& Complex::operator*=(Complex w) {
    return *this = *this * w;
}
inline Complex& Complex::operator/=(Complex w) {
    return *this = *this / w;
}

// The squared modulus of w that z / w divides by, single(single(c*c) + d*d);
// zero where both parts of w are at most about 2^-75 in magnitude.
float divisorNorm(Complex w);

// Squared modulus single(a*a) + b*b, left unrounded in the extended format.
Extended norm(Complex z);

// Modulus: norm rounded to binary64, then its square root in the extended format.
Extended abs(Complex z);

// Reads `number`, `(number)` or `(number, number)`. On failure the stream is
// failed and z keeps its value. A number beyond the binary32 range reads as
// an infinity of its sign and does not fail the stream.
std::istream& operator>>(std::istream& in, Complex& z);

// One binary32 number by the stream's float extraction, except that a number
// too large for binary32 gives an infinity of its sign with the stream not failed.
std::istream& readSingle(std::istream& in, float& value);

}  // namespace secant
