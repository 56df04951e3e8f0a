#include "app/refined.hpp"

#include <cmath>

#include "solver/bounds/decimal.hpp"

namespace secant {

namespace {

constexpr int kLeastDigits = 6;
constexpr int kMostDigits = 17;  // enough to give every binary64 value back

PrintedRoots printAll(const RefinedListing& listing,
                      const std::array<std::array<int, 2>, kMaxCoefficients>& digits) {
    PrintedRoots printed;
    for (int k = 1; k <= listing.count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        printed[i].re = bounds::formatSignificant(listing.refined.roots[i].re, digits[i][0]);
        printed[i].im = bounds::formatSignificant(listing.refined.roots[i].im, digits[i][1]);
    }
    return printed;
}

// The digits of a part whose root lies within radius: down to the last
// digit whose unit is at least the radius, from six to seventeen. Powers of
// ten by repeated multiplication: a rounded step moves the count at most by
// one at a boundary, the same way everywhere.
int justifiedDigits(double part, const RootDisk& disk) {
    if (disk.kind == DiskKind::None) {
        return kLeastDigits;
    }
    const double magnitude = std::fabs(part);
    double unit = disk.radius;
    int digits = 0;
    while (digits < kMostDigits && (unit == 0 || unit <= magnitude)) {
        unit *= 10;
        ++digits;
    }
    return std::max(digits, kLeastDigits);
}

}  // namespace

RefinedListing refineListing(const CoefficientTable& asRead,
                             const std::array<Complex, kMaxCoefficients>& listed, int found) {
    RefinedListing listing;
    listing.count = asRead.count - 1;
    listing.refined = refineRoots(asRead, listed, found);
    std::array<std::array<int, 2>, kMaxCoefficients> digits{};
    for (auto& both : digits) {
        both = {kMostDigits, kMostDigits};
    }
    const RootDisks widest = includePrintedRoots(asRead, printAll(listing, digits), listing.count);
    for (int k = 1; k <= listing.count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        digits[i] = {justifiedDigits(listing.refined.roots[i].re, widest[i]),
                     justifiedDigits(listing.refined.roots[i].im, widest[i])};
    }
    listing.printed = printAll(listing, digits);
    listing.disks = includePrintedRoots(asRead, listing.printed, listing.count);
    return listing;
}

}  // namespace secant
