// The binary64 constants that the bounds share.
#pragma once

#include <limits>

namespace secant::bounds {

inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
// u: |round(s) - s| <= u |round(s)| for one binary64 operation under round to nearest.
inline constexpr double kUnitRoundoff = 0x1p-53;

}  // namespace secant::bounds
