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

// Notes the first point at which the search met a condition or a zero
// divisor: the iteration and its two points.
void meet(GuardedSearch& search, SearchEnd end, int iteration, Complex x0, Complex f0, Complex x1,
          Complex f1) {
    search.end = end;
    search.iteration = iteration;
    search.x0 = x0;
    search.f0 = f0;
    search.x1 = x1;
    search.f1 = f1;
}

// The search's own flags are read before the observer runs and set back
// after it: whatever the observer's work raises is not the search's.
void tell(const SecantObserver& observer, int iteration, Complex x2, Extended modulus) {
    const ArithmeticFlags raised = raisedArithmeticFlags();
    observer.onIteration(observer.context, iteration, x2, toDouble(modulus));
    restoreArithmeticFlags(raised);
}

// How the search ends where it met neither a condition nor a zero divisor.
void end(GuardedSearch& search, SearchEnd end, SecantResult result) {
    search.end = end;
    search.iteration = result.iterations;
}

// The one secant loop. The new point is anchored at x0:
// x2 = x0 - f0*(x1 - x0)/(f1 - f0). The textbook form anchored at x1 is
// equal in exact arithmetic only. Until it meets a condition or a zero
// divisor it looks at the flags after the start points, before each
// quotient and after each pass, and at each divisor; guarded, it stops
// there, otherwise it notes where and runs on as specified. The values it
// computes are the same either way.
template <bool kGuarded>
GuardedSearch search(const CoefficientTable& table, Complex x0, Complex x1,
                     const SecantObserver* observer) {
    GuardedSearch search;
    search.end = SearchEnd::Converged;
    bool met = false;
    clearArithmeticFlags();
    Complex f0 = evaluatePolynomial(table, x0);
    Complex f1 = evaluatePolynomial(table, x1);
    if (conditionRaised()) {
        meet(search, SearchEnd::Condition, 0, x0, f0, x1, f1);
        met = true;
    }
    const Extended tolerance = widen(kSecantTolerance);
    for (int iteration = 1; !(kGuarded && met); ++iteration) {
        const Complex df = f1 - f0;
        const Complex dx = x1 - x0;
        const Complex t = f0 * dx;
        if (!met && conditionRaised()) {
            meet(search, SearchEnd::Condition, iteration, x0, f0, x1, f1);
            met = true;
        } else if (!met && divisorNorm(df) == 0.0F) {
            meet(search, SearchEnd::ZeroDivisor, iteration, x0, f0, x1, f1);
            met = true;
        }
        if (kGuarded && met) {
            break;
        }
        const Complex q = t / df;
        const Complex x2 = x0 - q;
        const Complex f2 = evaluatePolynomial(table, x2);
        const Extended modulus = abs(f2);
        if (!met && conditionRaised()) {
            meet(search, SearchEnd::Condition, iteration, x0, f0, x1, f1);
            met = true;
        }
        if (observer != nullptr) {
            tell(*observer, iteration, x2, modulus);
        }
        if (kGuarded && met) {
            break;
        }
        if (!(modulus >= tolerance)) {
            search.result = SecantResult{x2, iteration, modulus < tolerance};
            if (!met) {
                end(search, SearchEnd::Converged, search.result);
            }
            break;
        }
        if (iteration == kSecantMaxIterations) {
            search.result = SecantResult{x2, iteration, false};
            if (!met) {
                end(search, SearchEnd::PassLimit, search.result);
            }
            break;
        }
        x0 = x1;
        f0 = f1;
        x1 = x2;
        f1 = f2;
    }
    search.condition = raisedArithmeticFlags();
    return search;
}

}  // namespace

SecantResult findRootSecant(const SecantObserver* observer) {
    return search<false>(coefficientTable, kSecantStart0, kSecantStart1, observer).result;
}

GuardedSearch standardSearch(const SecantObserver* observer) {
    return search<false>(coefficientTable, kSecantStart0, kSecantStart1, observer);
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
