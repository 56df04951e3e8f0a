// Numbers in the dialogue's output where a NaN may turn up.
#pragma once

#include <cmath>
#include <ostream>

#include "solver/bounds/decimal.hpp"

namespace secant {

// A value in the general format with six significant digits, as the stream's
// default precision would write it, except that every NaN prints as "nan". C
// runtimes differ in how they show a NaN's sign (glibc "-nan", mingw-w64
// "nan"), and which of two NaN operands an operation keeps depends on the
// instructions the compiler chose, so no output shows a NaN's sign or payload.
struct Shown {
    double value;
};

inline std::ostream& operator<<(std::ostream& out, Shown number) {
    if (std::isnan(number.value)) {
        return out << "nan";
    }
    return out << bounds::formatSignificant(number.value, bounds::kListingDigits);
}

}  // namespace secant
