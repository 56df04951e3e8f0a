// The process-wide polynomial, its evaluation, the secant root search and
// deflation. Every step is one Complex operation with the left operand as
// written, so each intermediate value is rounded exactly as Complex rounds.
#pragma once

#include "solver/arithmetic/coefficient_table.hpp"
#include "solver/arithmetic/numeric_environment.hpp"

namespace secant {

inline constexpr float kSecantTolerance = 1e-5F;
inline constexpr int kSecantMaxIterations = 10000;

// The one table that the operations below work on.
inline CoefficientTable coefficientTable{};

// What one search found: its newest point, the iterations it made, and whether
// the tolerance was met (false after the pass limit or on a NaN modulus).
struct SecantResult {
    Complex root;
    int iterations = 0;
    bool converged = false;
};

// P(x) by Horner's scheme: acc = coefficients[i] + (x * acc).
Complex evaluatePolynomial(Complex x);

// The same on another table (a scaled copy of the process-wide one).
Complex evaluatePolynomial(const CoefficientTable& table, Complex x);

// The two start points of every search.
inline constexpr Complex kSecantStart0{0.0F, 0.0F};
inline constexpr Complex kSecantStart1{1.0F, 1.0F};

// Watches a search: called once per iteration with the new point and its
// modulus |f2| rounded to binary64, after the iteration is computed and
// before its stop test takes effect. It only observes: the search computes the same values
// with or without it. Where set, onAttempt is told of each search from
// other start points before it starts, and of the powers of two by which
// that search's f is P scaled and its variable y is x scaled,
// f(y) = 2^scale P(x) at x = 2^variableScale y (findRoot; its passes are
// told in x), and onRoot of the index of each root before its first search
// (findRoots).
struct SecantObserver {
    void (*onIteration)(void* context, int iteration, Complex x2, double modulus);
    void* context;
    void (*onAttempt)(void* context, int attempt, Complex start0, Complex start1, int scale,
                      int variableScale);
    void (*onRoot)(void* context, int root);
};

// One root by the secant method from the start points (0, 0) and (1, 1);
// the conditions it raised are left raised.
SecantResult findRootSecant(const SecantObserver* observer = nullptr);

// The first point at which a search met an exceptional condition or a
// divisor that rounds to zero, or how it ended where it met neither.
enum class SearchEnd {
    Converged,    // |f2| below the tolerance
    PassLimit,    // kSecantMaxIterations iterations without meeting it
    Condition,    // an operation raised an exceptional condition
    ZeroDivisor,  // the next quotient's divisor f1 - f0 rounds to zero
};

// What a search met. The search alone reads the arithmetic flags: it clears
// them as it starts, looks at them before each quotient and after each
// pass, and reports here what its own operations raised; whatever an
// observer raises is not counted.
struct GuardedSearch {
    SearchEnd end = SearchEnd::Condition;
    SecantResult result;          // Converged, PassLimit, and every end of standardSearch:
                                  // what findRootSecant returns
    int iteration = 0;            // the iteration of the end (0: at the start points)
    Complex x0, f0;               // Condition, ZeroDivisor: the two points of that
    Complex x1, f1;               // iteration and their values
    ArithmeticFlags condition{};  // every condition the search raised
};

// The search of findRootSecant, run to the end that it specifies, with
// the first condition it met and where.
GuardedSearch standardSearch(const SecantObserver* observer = nullptr);

// The secant search of findRootSecant from the given start points on the
// given table, computing the same values, but stopping before a quotient
// whose divisor rounds to zero and after any iteration (or start) that
// raised an exceptional condition.
GuardedSearch findRootGuarded(const CoefficientTable& table, Complex start0, Complex start1,
                              const SecantObserver* observer = nullptr);

// Divides the table by (x - root) and lowers count by 1. Returns the
// remainder, which equals evaluatePolynomial(root) bit for bit; the dialogue
// discards it.
Complex deflate(Complex root);

}  // namespace secant
