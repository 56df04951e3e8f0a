// Decimal text of the bounds: a printed number read back with a bound of
// the reading's error, and a radius printed with six significant digits
// rounded up. binary64 with round to nearest throughout.
#pragma once

#include <string>

namespace secant::bounds {

// A printed number read back: value is a binary64 value c with |c - printed| <=
// error. valid is false for a text that is not a decimal of at most
// seventeen significant digits ("inf", "nan"), or whose value is beyond the
// normal binary64 range.
struct ReadBack {
    bool valid = false;
    double value = 0;
    double error = 0;
};

// Returns the text read back. Requires nothing of the text: the forms
// "-12.5", "0.000568897", "-6.32368e-07" and "1e+10" (an optional sign,
// digits with at most one point, an optional exponent) are valid.
ReadBack readBack(const std::string& text);

// A radius as printed: text is the least decimal of six significant digits
// that the bounds show to be at least r ("0" for 0), in the general format
// of printf's %g; upper is an upper bound of its value.
struct Radius {
    std::string text;
    double upper = 0;
};

// Returns r printed upwards. Requires r >= 0 finite.
Radius roundRadiusUp(double r);

}  // namespace secant::bounds
