#include "solver/polynomial.hpp"

namespace secant {

Complex evaluatePolynomial(Complex x) {
    const CoefficientTable& table = coefficientTable;
    Complex acc = table.coefficients[0];
    for (int i = 1; i < table.count; ++i) {
        acc = table.coefficients[i] + (x * acc);
    }
    return acc;
}

// The new point is anchored at x0: x2 = x0 - f0*(x1 - x0)/(f1 - f0). The
// textbook form anchored at x1 is equal in exact arithmetic only.
SecantResult findRootSecant(const SecantObserver* observer) {
    Complex x0 = kSecantStart0;
    Complex x1 = kSecantStart1;
    Complex f0 = evaluatePolynomial(x0);
    Complex f1 = evaluatePolynomial(x1);
    const Extended tolerance = widen(kSecantTolerance);
    for (int iteration = 1;; ++iteration) {
        const Complex df = f1 - f0;
        const Complex dx = x1 - x0;
        const Complex t = f0 * dx;
        const Complex q = t / df;
        const Complex x2 = x0 - q;
        const Complex f2 = evaluatePolynomial(x2);
        const Extended modulus = abs(f2);
        if (observer != nullptr) {
            observer->onIteration(observer->context, iteration, x2, modulus);
        }
        if (!(modulus >= tolerance)) {
            return SecantResult{x2, iteration, modulus < tolerance};
        }
        if (iteration == kSecantMaxIterations) {
            return SecantResult{x2, iteration, false};
        }
        x0 = x1;
        f0 = f1;
        x1 = x2;
        f1 = f2;
    }
}

Complex deflate(Complex root) {
    CoefficientTable& table = coefficientTable;
    std::array<Complex, kMaxCoefficients> b{};
    b[0] = table.coefficients[0];
    for (int i = 1; i < table.count; ++i) {
        b[i] = table.coefficients[i] + (root * b[i - 1]);
    }
    for (int i = 1; i < table.count - 1; ++i) {
        table.coefficients[i] = b[i];
    }
    const Complex remainder = b[table.count - 1];
    table.count = table.count - 1;
    return remainder;
}

}  // namespace secant
