#include "solver/recovery.hpp"

#include <algorithm>
#include <cfloat>
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

// One part of x = 2^variableScale y: exact in binary64, then rounded to
// binary32 once, to nearest, which is exact where the part is normal. False
// where it lies beyond the largest binary32.
bool partInX(float y, int variableScale, float& x) {
    const double v = std::ldexp(double{y}, variableScale);
    if (!(std::fabs(v) <= double{std::numeric_limits<float>::max()})) {
        return false;
    }
    x = static_cast<float>(v);
    return true;
}

// The root x = 2^variableScale y of P from the root y of f: false where it
// lies beyond the range, a part beyond the largest binary32 or both parts
// below the normal range (and x not 0). A part below the normal range beside
// a normal one is rounded by at most 2^-150, within 2^-24 |x|, as near as a
// normal part is. At variableScale 0, x is y.
bool rootInX(Complex y, int variableScale, Complex& x) {
    if (variableScale == 0) {
        x = y;
        return true;
    }
    if (!partInX(y.re, variableScale, x.re) || !partInX(y.im, variableScale, x.im)) {
        return false;
    }
    const float normal = std::numeric_limits<float>::min();
    return std::fabs(x.re) >= normal || std::fabs(x.im) >= normal ||
           (x.re == 0 && x.im == 0 && y.re == 0 && y.im == 0);
}

// A point of a search in y as the trace and the picture show it, in x: an
// infinity of its sign where a part lies beyond the range.
Complex shownInX(Complex y, int variableScale) {
    const auto shown = [&](float part) {
        float x = 0;
        if (std::isnan(part) || partInX(part, variableScale, x)) {
            return std::isnan(part) ? part : x;
        }
        return std::copysign(std::numeric_limits<float>::infinity(), part);
    };
    return Complex(shown(y.re), shown(y.im));
}

// A pass of a search on the scaled variable as the observer is told of it:
// at its point in x, an infinity of its sign where that lies beyond the range.
struct PassesInX {
    const SecantObserver* observer;
    int variableScale;
};

void onIterationInX(void* context, int iteration, Complex y2, double modulus) {
    const auto& inX = *static_cast<const PassesInX*>(context);
    inX.observer->onIteration(inX.observer->context, iteration, shownInX(y2, inX.variableScale),
                              modulus);
}

// The searches from other start points. Each searches f(y) = 2^t P(2^s y),
// with 2^s the power of two at or below the radius of the circle it starts
// on and 2^t bringing the largest coefficient of f to [1, 2): on that
// circle y is about 1 and the terms of f about 1, so that neither the
// values nor |f1 - f0|^2 leave the range however small or large the roots,
// and the tolerance is relative to the size of the terms there. Scaling
// being exact, a root y of f is the root x = 2^s y of P; where the spread of
// the coefficients keeps some part of f from being exact, the attempt
// searches in x (s = 0), on the table scaled by 2^t alone. At s = 0 the
// search computes every value of the search in x on that table: the same
// path, the same root.
bool findFromOtherStarts(const SecantObserver* observer, RootSearch& root) {
    int unscaled = 0;
    const CoefficientTable inXOnly = scaledTable(coefficientTable, unscaled);
    const RootRadii radii = estimateRootRadii(inXOnly);
    if (radii.count == 0) {
        return false;
    }
    const bool watched = observer != nullptr;
    for (int attempt = 1; attempt <= kMaxOtherAttempts; ++attempt) {
        int variableScale = startScale(radii, attempt);
        int scale = 0;
        CoefficientTable table;
        if (!scaledTable(coefficientTable, variableScale, table, scale)) {
            variableScale = 0;
            table = inXOnly;
            scale = unscaled;
        }
        const StartPair inY = otherStartPair(radii, attempt, variableScale);
        // In x as the trace, the picture and the report show them (exactly
        // where their parts are normal).
        const StartPair start{shownInX(inY.x0, variableScale), shownInX(inY.x1, variableScale)};
        if (watched && observer->onAttempt != nullptr) {
            observer->onAttempt(observer->context, attempt, start.x0, start.x1, scale,
                                variableScale);
        }
        PassesInX passes{observer, variableScale};
        const SecantObserver inner{&onIterationInX, &passes, nullptr, nullptr};
        const GuardedSearch search =
            findRootGuarded(table, inY.x0, inY.x1, watched ? &inner : nullptr);
        Complex point;
        const bool converged = search.end == SearchEnd::Converged;
        if (!converged && !pointAtFloor(table, search, point)) {
            continue;
        }
        Complex x;
        if (!rootInX(converged ? search.result.root : point, variableScale, x)) {
            continue;  // a root of f whose x lies beyond the binary32 range
        }
        root.origin = RootOrigin::OtherStart;
        root.attempt = attempt;
        root.start = start;
        root.atRoundingFloor = !converged;
        root.result = SecantResult{x, converged ? search.result.iterations : search.iteration,
                                   converged && search.result.converged};
        return true;
    }
    return false;
}

// After a deflation that raised a condition: whether every entry it kept is
// finite, and so the condition was raised by the remainder alone, which is
// discarded. Each entry is a sum and a product of finite values, whose
// partial results in the extended format cannot overflow: the first
// condition is a rounding to binary32 that overflows, and the part it
// rounds to is infinite, as is every sum or difference of it with finite
// values, so the entry being computed is not finite. Where every kept entry
// is finite, none of them met a condition.
bool keptEntriesFinite(const CoefficientTable& table) {
    for (int i = 0; i < table.count; ++i) {
        const Complex b = table.coefficients[static_cast<std::size_t>(i)];
        if (!std::isfinite(b.re) || !std::isfinite(b.im)) {
            return false;
        }
    }
    return true;
}

// Deflates the table by root, with the conditions that the deflation raised.
ArithmeticFlags deflationCondition(Complex root) {
    clearArithmeticFlags();
    deflate(root);
    return raisedArithmeticFlags();
}

// A subnormal part below the unit roundoff 2^-24 of the other part of its
// coefficient: no digit of the coefficient.
bool negligiblePart(float part, Complex coefficient) {
    const float other = part == coefficient.re ? coefficient.im : coefficient.re;
    return std::fabs(part) < FLT_MIN && std::fabs(part) <= std::fabs(other) * 0x1p-24F;
}

// A part scaled by 2^by without losing a digit; a negligible part may lose
// its last ones (a change below 2^-149 of the scaled table, no larger than
// the rounding of the other part).
bool scaledExactly(float part, float scaled, int by, Complex coefficient) {
    return std::ldexp(scaled, -by) == part || negligiblePart(part, coefficient);
}

}  // namespace

bool scaledTable(const CoefficientTable& table, int variableScale, CoefficientTable& scaled,
                 int& scale) {
    const int n = table.count - 1;
    // The power of two that a_i gets from the variable.
    const auto shift = [&](int i) { return variableScale * (n - i); };
    // The binary exponents of the largest part of f and of its smallest
    // nonzero one that counts: a subnormal part below the unit roundoff of
    // the other part of its coefficient is no digit of it, and is not kept
    // from losing more (a deflation by a root with an imaginary part of
    // 1e-36 leaves such parts).
    int largest = std::numeric_limits<int>::min();
    int smallest = std::numeric_limits<int>::max();
    for (int i = 0; i < table.count; ++i) {
        const Complex a = table.coefficients[static_cast<std::size_t>(i)];
        for (const float part : {a.re, a.im}) {
            if (part != 0 && std::isfinite(part)) {
                int exponent = 0;
                std::frexp(part, &exponent);  // |part| in [2^(exponent-1), 2^exponent)
                largest = std::max(largest, exponent + shift(i));
                if (!negligiblePart(part, a)) {
                    smallest = std::min(smallest, exponent + shift(i));
                }
            }
        }
    }
    if (largest == std::numeric_limits<int>::min()) {
        scaled = table;  // every coefficient zero
        scale = 0;
        return true;
    }
    // The largest part to [1, 2), unless that takes the smallest below the
    // normal range (2^-126), where it would lose digits.
    const int wanted = std::max(1 - largest, -125 - smallest);
    CoefficientTable result = table;
    for (int i = 0; i < table.count; ++i) {
        const Complex a = table.coefficients[static_cast<std::size_t>(i)];
        const int by = shift(i) + wanted;
        const Complex b(std::ldexp(a.re, by), std::ldexp(a.im, by));
        if (!scaledExactly(a.re, b.re, by, a) || !scaledExactly(a.im, b.im, by, a)) {
            return false;  // a spread wider than the range
        }
        result.coefficients[static_cast<std::size_t>(i)] = b;
    }
    scaled = result;
    scale = wanted;
    return true;
}

CoefficientTable scaledTable(const CoefficientTable& table, int& scale) {
    CoefficientTable scaled;
    if (!scaledTable(table, 0, scaled, scale)) {
        scale = 0;
        return table;
    }
    return scaled;
}

RootSearch findRoot(const SecantObserver* observer) {
    RootSearch root;
    // 1. The search from (0, 0) and (1, 1), as specified, with the
    //    conditions it raised and the first point where it met one.
    const GuardedSearch standard = standardSearch(observer);
    root.result = standard.result;
    root.condition = standard.condition;
    // 2. Where it raised none, its point is the root.
    if (!root.condition.any()) {
        return root;
    }
    // 3. Where it met one at a point at which P cannot be told from zero,
    //    that point, after the passes that met none.
    Complex point;
    if (pointAtFloor(coefficientTable, standard, point)) {
        root.origin = RootOrigin::RoundingFloor;
        root.atRoundingFloor = true;
        root.result = SecantResult{point, std::max(standard.iteration - 1, 0), false};
        return root;
    }
    // 4. Elsewhere, the searches from other start points; none found it
    //    where every one of them failed.
    root.hasRoot = findFromOtherStarts(observer, root);
    return root;
}

FoundRoots findRoots(const SecantObserver* observer) {
    FoundRoots roots;
    CoefficientTable& table = coefficientTable;
    for (int k = 1; table.count > 1; ++k) {
        if (observer != nullptr && observer->onRoot != nullptr) {
            observer->onRoot(observer->context, k);
        }
        const RootSearch search = findRoot(observer);
        if (!search.hasRoot) {
            roots.failure = search.condition;
            return roots;
        }
        roots.searches[static_cast<std::size_t>(k)] = search;
        roots.failure = deflationCondition(search.result.root);
        if (roots.failure.any()) {
            if (!keptEntriesFinite(table)) {
                return roots;
            }
            roots.failure = {};  // raised by the remainder alone
        }
        roots.count = k;
    }
    return roots;
}

std::array<Complex, kMaxCoefficients> FoundRoots::listed() const {
    std::array<Complex, kMaxCoefficients> roots{};
    for (int k = 1; k <= count; ++k) {
        roots[static_cast<std::size_t>(k)] = searches[static_cast<std::size_t>(k)].result.root;
    }
    return roots;
}

}  // namespace secant
