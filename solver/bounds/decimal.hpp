// Decimal text: the one general format that every number the program prints
// takes (the listing, the refined roots, the radii, the trace and the
// report), a printed number read back with a bound of the reading's error,
// and a radius printed with six significant digits rounded up. binary64
// with round to nearest throughout.
#pragma once

#include <string>

namespace secant::bounds {

// The listing's significant digits, as the stream's default precision gives them.
inline constexpr int kListingDigits = 6;

// Returns value in the general format with `digits` significant digits, as
// printf's %.*g writes it in the classic locale ("0.10000000000000001",
// "-6.3e-07", "-0", "inf", "-nan"): exact, and the same in every C++
// runtime. Requires 1 <= digits <= 17.
std::string formatSignificant(double value, int digits);

// Returns one part of a root as the listing prints it, and as the disks read
// it back: kListingDigits significant digits, as printf's %g writes the
// float.
std::string printedPart(float value);

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
// (formatSignificant); upper is an upper bound of its value, within a few
// units in its last place.
struct Radius {
    std::string text;
    double upper = 0;
};

// Returns r printed upwards. Requires r >= 0 finite.
Radius roundRadiusUp(double r);

}  // namespace secant::bounds
