// One root, also where the search from (0, 0) and (1, 1) meets an
// exceptional condition: there the root is taken where P cannot be told from
// zero, or sought again from other start points.
#pragma once

#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/polynomial.hpp"
#include "solver/start_points.hpp"

namespace secant {

// At most this many searches from other start points for one root.
inline constexpr int kMaxOtherAttempts = 24;

enum class RootOrigin {
    StandardSearch,  // the search from (0, 0) and (1, 1) met no condition
    RoundingFloor,   // it met a condition at a point where P cannot be told from zero
    OtherStart,      // a search from other start points found it
};

struct RootSearch {
    bool hasRoot = true;  // false where every search failed
    SecantResult result;  // the root, the iterations of the search that found it, the tolerance met
    RootOrigin origin = RootOrigin::StandardSearch;
    ArithmeticFlags condition{};                    // what the search from (0, 0) and (1, 1) met
    int attempt = 0;                                // OtherStart: which other search, from 1
    StartPair start{kSecantStart0, kSecantStart1};  // of the search that found it
    bool atRoundingFloor = false;                   // taken where P cannot be told from zero
};

// Finds one root of the process-wide table: the search from (0, 0) and
// (1, 1) exactly as findRootSecant, and where it raised an exceptional
// condition, the recovery. hasRoot is false, with the condition, only where
// every attempt failed.
RootSearch findRoot(const SecantObserver* observer = nullptr);

// Every root of the process-wide table, each by findRoot and then deflated
// by: roots 1 to count, and where a root was not found or a deflation met an
// exceptional condition, that condition (raised while seeking root count + 1).
struct FoundRoots {
    std::array<RootSearch, kMaxCoefficients> searches{};  // index 1 on
    int count = 0;
    ArithmeticFlags failure{};

    // Roots 1 to count as they are listed; entry 0 and those after count are 0.
    [[nodiscard]] std::array<Complex, kMaxCoefficients> listed() const;
};

FoundRoots findRoots(const SecantObserver* observer = nullptr);

// The table scaled by 2^scale, exactly: its largest part to [1, 2), or as
// near as keeps every nonzero part in the normal range; scale is 0 where no
// scaling keeps every part exact.
CoefficientTable scaledTable(const CoefficientTable& table, int& scale);

// The table of f(y) = 2^scale P(2^variableScale y), exactly: each part of
// a_i times 2^(variableScale (n - i) + scale) by one ldexp, the largest part
// of f to [1, 2), or as near as keeps every nonzero part in the normal range.
// False, with scaled and scale untouched, where no scale keeps every part exact.
bool scaledTable(const CoefficientTable& table, int variableScale, CoefficientTable& scaled,
                 int& scale);

}  // namespace secant
