#include "solver/complex.hpp"

#include <limits>

namespace secant {

Complex& Complex::operator+=(Complex w) {
    re = toSingle(widen(re) + widen(w.re));
    im = toSingle(widen(im) + widen(w.im));
    return *this;
}

Complex& Complex::operator-=(Complex w) {
    re = toSingle(widen(re) - widen(w.re));
    im = toSingle(widen(im) - widen(w.im));
    return *this;
}

Complex& Complex::operator*=(Complex w) {
    const float a = re;
    const float b = im;
    const float c = w.re;
    const float d = w.im;
    const float ac = toSingle(widen(a) * widen(c));
    const float bc = toSingle(widen(b) * widen(c));
    re = toSingle(widen(ac) - widen(b) * widen(d));
    im = toSingle(widen(bc) + widen(a) * widen(d));
    return *this;
}

// The quotient is not scaled: a divisor whose parts are both below 2^-75 in
// magnitude has a squared modulus that rounds to zero.
Complex& Complex::operator/=(Complex w) {
    const float a = re;
    const float b = im;
    const float c = w.re;
    const float d = w.im;
    const float cc = toSingle(widen(c) * widen(c));
    const float n = toSingle(widen(cc) + widen(d) * widen(d));
    const float ac = toSingle(widen(a) * widen(c));
    const float bc = toSingle(widen(b) * widen(c));
    re = toSingle((widen(ac) + widen(b) * widen(d)) / widen(n));
    im = toSingle((widen(bc) - widen(a) * widen(d)) / widen(n));
    return *this;
}

Extended norm(Complex z) {
    const float aa = toSingle(widen(z.re) * widen(z.re));
    return widen(aa) + widen(z.im) * widen(z.im);
}

Extended abs(Complex z) {
    return squareRoot(toDouble(norm(z)));
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
