#include "solver/complex.hpp"

#include <limits>

#include "solver/complex_formulas.hpp"

namespace secant {

Complex operator+(Complex z, Complex w) {
    return formulas::sum<Arithmetic>(z, w);
}

Complex operator-(Complex z, Complex w) {
    return formulas::difference<Arithmetic>(z, w);
}

Complex operator*(Complex z, Complex w) {
    return formulas::product<Arithmetic>(z, w);
}

Complex operator/(Complex z, Complex w) {
    return formulas::quotient<Arithmetic>(z, w);
}

float divisorNorm(Complex w) {
    return formulas::divisorNorm<Arithmetic>(w);
}

Extended norm(Complex z) {
    return formulas::norm<Arithmetic>(z);
}

Extended abs(Complex z) {
    return formulas::abs<Arithmetic>(z);
}

std::istream& readSingle(std::istream& in, float& value) {
    const bool failedBefore = in.fail();
    float read = 0.0F;
    in >> read;
    // The library reports an out-of-range number as failbit with +-FLT_MAX
    // stored; a malformed one stores 0. Only the former is taken as infinity.
    constexpr float kMax = std::numeric_limits<float>::max();
    if (!failedBefore && in.fail() && !in.bad() && (read == kMax || read == -kMax)) {
        in.clear(in.rdstate() & ~std::ios_base::failbit);
        read = read > 0 ? std::numeric_limits<float>::infinity()
                        : -std::numeric_limits<float>::infinity();
    }
    if (!in.fail()) {
        value = read;
    }
    return in;
}

std::istream& operator>>(std::istream& in, Complex& z) {
    float real = 0.0F;
    float imaginary = 0.0F;
    char ch = '\0';
    if (!(in >> ch)) {
        return in;
    }
    if (ch == '(') {
        readSingle(in, real);
        in >> ch;  // a failed read leaves ch as it was
        if (ch == ',') {
            readSingle(in, imaginary);
            in >> ch;
        }
        if (ch != ')') {
            in.setstate(std::ios_base::failbit);
        }
    } else {
        in.putback(ch);
        readSingle(in, real);
    }
    if (!in.fail()) {
        z = Complex(real, imaginary);
    }
    return in;
}

}  // namespace secant
