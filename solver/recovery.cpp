#include "solver/recovery.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "solver/rounding_floor.hpp"

namespace secant {

namespace {

// Where a guarded search stopped before a divisor that rounds to zero or at
// a condition: the point of the iteration's two (the newer first) at which P
// cannot be told from zero, if any; at its pass limit, its newest point if P
// cannot be told from zero there.
bool pointAtFloor(const CoefficientTable& table, const GuardedSearch& search, Complex& point) {
    if (search.end == SearchEnd::Converged) {
        return false;
    }
    if (search.end == SearchEnd::PassLimit) {
        point = search.result.root;
        return cannotBeToldFromZero(table, point);
    }
    for (const Complex candidate : {search.x1, search.x0}) {
        if (cannotBeToldFromZero(table, candidate)) {
            point = candidate;
            return true;
        }
    }
    return false;
}

// The searches from other start points, on the table scaled so that the
// tolerance is relative to its largest coefficient: the same arithmetic,
// every value scaled by the same power of two (where none leaves the range).
bool findFromOtherStarts(const SecantObserver* observer, RootSearch& found) {
    int scale = 0;
    const CoefficientTable table = scaledTable(coefficientTable, scale);
    const RootRadii radii = estimateRootRadii(table);
    if (radii.count == 0) {
        return false;
    }
    const bool watched = observer != nullptr;
    for (int attempt = 1; attempt <= kMaxOtherAttempts; ++attempt) {
        const StartPair start = otherStartPair(radii, attempt);
        if (watched && observer->onAttempt != nullptr) {
            observer->onAttempt(observer->context, attempt, start.x0, start.x1, scale);
        }
        clearArithmeticFlags();
        const GuardedSearch search = findRootGuarded(table, start.x0, start.x1, observer);
        Complex point;
        const bool converged = search.end == SearchEnd::Converged;
        if (converged || pointAtFloor(table, search, point)) {
            found.origin = RootOrigin::OtherStart;
            found.attempt = attempt;
            found.start = start;
            found.atRoundingFloor = !converged;
            found.result = converged ? search.result : SecantResult{point, search.iteration, false};
            return true;
        }
    }
    return false;
}

}  // namespace

CoefficientTable scaledTable(const CoefficientTable& table, int& scale) {
    // The binary exponents of the largest part and of the smallest nonzero one.
    int largest = std::numeric_limits<int>::min();
    int smallest = std::numeric_limits<int>::max();
    for (int i = 0; i < table.count; ++i) {
        const Complex a = table.coefficients[static_cast<std::size_t>(i)];
        for (const float part : {a.re, a.im}) {
            if (part != 0 && std::isfinite(part)) {
                int exponent = 0;
                std::frexp(part, &exponent);  // |part| in [2^(exponent-1), 2^exponent)
                largest = std::max(largest, exponent);
                smallest = std::min(smallest, exponent);
            }
        }
    }
    scale = 0;
    if (largest == std::numeric_limits<int>::min()) {
        return table;
    }
    // The largest part to [1, 2), unless that takes the smallest below the
    // normal range (2^-126), where it would lose digits.
    const int wanted = std::max(1 - largest, -125 - smallest);
    CoefficientTable scaled = table;
    for (int i = 0; i < table.count; ++i) {
        const Complex a = table.coefficients[static_cast<std::size_t>(i)];
        const Complex b(std::ldexp(a.re, wanted), std::ldexp(a.im, wanted));
        if (std::ldexp(b.re, -wanted) != a.re || std::ldexp(b.im, -wanted) != a.im) {
            return table;  // a spread wider than the range: left as it is
        }
        scaled.coefficients[static_cast<std::size_t>(i)] = b;
    }
    scale = wanted;
    return scaled;
}

RootSearch findRoot(const SecantObserver* observer) {
    RootSearch found;
    clearArithmeticFlags();
    found.result = findRootSecant(observer);
    found.condition = raisedArithmeticFlags();
    if (!found.condition.any()) {
        return found;
    }
    // The arithmetic is deterministic: the replay meets the same values, and
    // looks at each divisor before it divides.
    clearArithmeticFlags();
    const GuardedSearch replay = findRootGuarded(coefficientTable, kSecantStart0, kSecantStart1);
    Complex point;
    if (pointAtFloor(coefficientTable, replay, point)) {
        found.origin = RootOrigin::RoundingFloor;
        found.atRoundingFloor = true;
        found.result = SecantResult{point, std::max(replay.iteration - 1, 0), false};
    } else if (!findFromOtherStarts(observer, found)) {
        found.found = false;
        return found;
    }
    clearArithmeticFlags();
    return found;
}

FoundRoots findRoots(const SecantObserver* observer) {
    FoundRoots roots;
    CoefficientTable& table = coefficientTable;
    for (int k = 1; table.count > 1; ++k) {
        if (observer != nullptr && observer->onRoot != nullptr) {
            observer->onRoot(observer->context, k);
        }
        const RootSearch search = findRoot(observer);
        if (!search.found) {
            roots.failure = search.condition;
            return roots;
        }
        roots.searches[static_cast<std::size_t>(k)] = search;
        deflate(search.result.root);
        roots.failure = raisedArithmeticFlags();
        if (roots.failure.any()) {
            return roots;
        }
        roots.found = k;
    }
    return roots;
}

std::array<Complex, kMaxCoefficients> FoundRoots::listed() const {
    std::array<Complex, kMaxCoefficients> roots{};
    for (int k = 1; k <= found; ++k) {
        roots[static_cast<std::size_t>(k)] = searches[static_cast<std::size_t>(k)].result.root;
    }
    return roots;
}

}  // namespace secant
