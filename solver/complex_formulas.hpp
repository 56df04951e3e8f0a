// The formulas of the complex operations, written once for any implementation
// of the extended arithmetic (see extended.hpp), so that the program and the
// comparison of the implementations run the same code.
//
// Within each operation the sums, products and quotients are carried in the
// extended format and rounded to binary32 exactly where written. In a
// product, the first partial product of each part (a*c, b*c) is rounded to
// single precision before it is combined, the second (b*d, a*d) is not.
#pragma once

#include "solver/complex.hpp"

namespace secant::formulas {

template <class A>
Complex sum(Complex z, Complex w) {
    return Complex(A::toSingle(A::widen(z.re) + A::widen(w.re)),
                   A::toSingle(A::widen(z.im) + A::widen(w.im)));
}

template <class A>
Complex difference(Complex z, Complex w) {
    return Complex(A::toSingle(A::widen(z.re) - A::widen(w.re)),
                   A::toSingle(A::widen(z.im) - A::widen(w.im)));
}

template <class A>
Complex product(Complex z, Complex w) {
    const float a = z.re;
    const float b = z.im;
    const float c = w.re;
    const float d = w.im;
    const float ac = A::toSingle(A::widen(a) * A::widen(c));
    const float bc = A::toSingle(A::widen(b) * A::widen(c));
    return Complex(A::toSingle(A::widen(ac) - A::widen(b) * A::widen(d)),
                   A::toSingle(A::widen(bc) + A::widen(a) * A::widen(d)));
}

// The quotient is not scaled: a divisor whose parts are both below 2^-75 in
// magnitude has a squared modulus that rounds to zero.
template <class A>
Complex quotient(Complex z, Complex w) {
    const float a = z.re;
    const float b = z.im;
    const float c = w.re;
    const float d = w.im;
    const float cc = A::toSingle(A::widen(c) * A::widen(c));
    const float n = A::toSingle(A::widen(cc) + A::widen(d) * A::widen(d));
    const float ac = A::toSingle(A::widen(a) * A::widen(c));
    const float bc = A::toSingle(A::widen(b) * A::widen(c));
    return Complex(A::toSingle((A::widen(ac) + A::widen(b) * A::widen(d)) / A::widen(n)),
                   A::toSingle((A::widen(bc) - A::widen(a) * A::widen(d)) / A::widen(n)));
}

template <class A>
typename A::Value norm(Complex z) {
    const float aa = A::toSingle(A::widen(z.re) * A::widen(z.re));
    return A::widen(aa) + A::widen(z.im) * A::widen(z.im);
}

template <class A>
typename A::Value abs(Complex z) {
    return A::squareRoot(A::toDouble(norm<A>(z)));
}

}  // namespace secant::formulas
