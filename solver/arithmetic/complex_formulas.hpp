// The formulas of the complex operations, written once for any implementation
// of the extended arithmetic (see extended.hpp), so that the program and the
// comparison of the implementations run the same code.
//
// Within each operation the sums, products and quotients are carried in the
// extended format and rounded to binary32 exactly where written. In a
// product, the first partial product of each part (a*c, b*c) is rounded to
// single precision before it is combined, the second (b*d, a*d) is not, so
// z * w and w * z may differ in the last bit of the imaginary part.
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

// Each part is widened once (widening is exact) and used where the formula
// names it.
template <class A>
Complex product(Complex z, Complex w) {
    const typename A::Value a = A::widen(z.re);
    const typename A::Value b = A::widen(z.im);
    const typename A::Value c = A::widen(w.re);
    const typename A::Value d = A::widen(w.im);
    const float ac = A::toSingle(a * c);
    const float bc = A::toSingle(b * c);
    return Complex(A::toSingle(A::widen(ac) - b * d), A::toSingle(A::widen(bc) + a * d));
}

// The divisor's squared modulus as the quotient uses it: single(single(c*c) + d*d).
template <class A>
float divisorNorm(Complex w) {
    const typename A::Value c = A::widen(w.re);
    const typename A::Value d = A::widen(w.im);
    const float cc = A::toSingle(c * c);
    return A::toSingle(A::widen(cc) + d * d);
}

// The quotient is not scaled: a divisor whose parts are both below 2^-75 in
// magnitude has a squared modulus that rounds to zero.
template <class A>
Complex quotient(Complex z, Complex w) {
    const typename A::Value a = A::widen(z.re);
    const typename A::Value b = A::widen(z.im);
    const typename A::Value c = A::widen(w.re);
    const typename A::Value d = A::widen(w.im);
    const typename A::Value n = A::widen(divisorNorm<A>(w));
    const float ac = A::toSingle(a * c);
    const float bc = A::toSingle(b * c);
    return Complex(A::toSingle((A::widen(ac) + b * d) / n),
                   A::toSingle((A::widen(bc) - a * d) / n));
}

template <class A>
typename A::Value norm(Complex z) {
    const typename A::Value a = A::widen(z.re);
    const typename A::Value b = A::widen(z.im);
    const float aa = A::toSingle(a * a);
    return A::widen(aa) + b * b;
}

template <class A>
typename A::Value abs(Complex z) {
    return A::squareRoot(A::toDouble(norm<A>(z)));
}

}  // namespace secant::formulas
