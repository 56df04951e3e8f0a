#include "solver/polynomial.hpp"

#include "solver/arithmetic/numeric_environment.hpp"

namespace secant {

Complex evaluatePolynomial(const CoefficientTable& table, Complex x) {
    Complex acc = table.coefficients[0];
    for (int i = 1; i < table.count; ++i) {
        acc = table.coefficients[i] + (x * acc);
    }
    return acc;
}

Complex evaluatePolynomial(Complex x) {
    return evaluatePolynomial(coefficientTable, x);
}

namespace {

bool conditionRaised() {
    return raisedArithmeticFlags().any();
}

GuardedSearch stopped(SearchEnd end, int iteration, Complex x0, Complex f0, Complex x1,
                      Complex f1) {
    GuardedSearch search;
    search.end = end;
    search.iteration = iteration;
    search.x0 = x0;
    search.f0 = f0;
    search.x1 = x1;
    search.f1 = f1;
    return search;
}

GuardedSearch ended(SearchEnd end, SecantResult result) {
    GuardedSearch search;
    search.end = end;
    search.result = result;
    search.iteration = result.iterations;
    return search;
}

// The one secant loop. The new point is anchored at x0:
// x2 = x0 - f0*(x1 - x0)/(f1 - f0). The textbook form anchored at x1 is
// equal in exact arithmetic only. Guarded, it also looks at the flags and at
// the divisor; the values it computes are the same.
template <bool kGuarded>
GuardedSearch search(const CoefficientTable& table, Complex x0, Complex x1,
                     const SecantObserver* observer) {
    Complex f0 = evaluatePolynomial(table, x0);
    Complex f1 = evaluatePolynomial(table, x1);
    if (kGuarded && conditionRaised()) {
        return stopped(SearchEnd::Condition, 0, x0, f0, x1, f1);
    }
    const Extended tolerance = widen(kSecantTolerance);
    for (int iteration = 1;; ++iteration) {
        const Complex df = f1 - f0;
        const Complex dx = x1 - x0;
        const Complex t = f0 * dx;
        if constexpr (kGuarded) {
            if (conditionRaised()) {
                return stopped(SearchEnd::Condition, iteration, x0, f0, x1, f1);
            }
            if (divisorNorm(df) == 0.0F) {
                return stopped(SearchEnd::ZeroDivisor, iteration, x0, f0, x1, f1);
            }
        }
        const Complex q = t / df;
        const Complex x2 = x0 - q;
        const Complex f2 = evaluatePolynomial(table, x2);
        const Extended modulus = abs(f2);
        if (observer != nullptr) {
            observer->onIteration(observer->context, iteration, x2, toDouble(modulus));
        }
        if (kGuarded && conditionRaised()) {
            return stopped(SearchEnd::Condition, iteration, x0, f0, x1, f1);
        }
        if (!(modulus >= tolerance)) {
            return ended(SearchEnd::Converged, SecantResult{x2, iteration, modulus < tolerance});
        }
        if (iteration == kSecantMaxIterations) {
            return ended(SearchEnd::PassLimit, SecantResult{x2, iteration, false});
        }
        x0 = x1;
        f0 = f1;
        x1 = x2;
        f1 = f2;
    }
}

}  // namespace

SecantResult findRootSecant(const SecantObserver* observer) {
    return search<false>(coefficientTable, kSecantStart0, kSecantStart1, observer).result;
}

GuardedSearch findRootGuarded(const CoefficientTable& table, Complex start0, Complex start1,
                              const SecantObserver* observer) {
    return search<true>(table, start0, start1, observer);
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
