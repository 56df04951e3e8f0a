#include "app/refined.hpp"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "solver/bounds/decimal.hpp"
#include "solver/bounds/directed.hpp"

namespace secant {

namespace {

constexpr int kNoDiskDigits = 6;  // as the listing, where nothing bounds the error
constexpr int kMostDigits = 17;   // enough to give every binary64 value back
constexpr int kDigitRounds = 8;   // each round can only take digits away

using Multiples = std::array<int, kMaxCoefficients>;

// A part as printed: its text, and the unit of its last digit as 10^unit
// (for a part printed as 0, none to check).
struct Part {
    std::string text;
    int unit = 0;
    bool zero = false;
};

// The decimal exponent of a nonzero number in printf's %g form.
int decimalExponent(const std::string& text) {
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        return std::atoi(text.c_str() + e + 1);
    }
    const std::size_t first = text.find_first_of("123456789");
    const std::size_t point = text.find('.');
    if (point == std::string::npos || first < point) {
        return static_cast<int>((point == std::string::npos ? text.size() : point) -
                                text.find_first_of("0123456789")) -
               1;
    }
    return static_cast<int>(point) - static_cast<int>(first);
}

// 10^c >= r, shown with the bounds: r 10^-c <= 1.
bool unitCovers(int c, double radius) {
    return bounds::scaleUp(radius, -c) <= 1;
}

// Where the disk around the root has the radius given (negative: no disk),
// the part with the digits down to the last whose unit is at least the
// radius: none where the part is smaller than the radius or no digit is
// justified (0), seventeen where the radius is 0.
Part printPart(double value, double radius) {
    Part part;
    if (std::fabs(value) < DBL_MIN) {
        value = 0;  // a subnormal part is no digit above any disk's radius
    }
    if (radius < 0) {
        part.text = bounds::formatSignificant(value, kNoDiskDigits);
        part.zero = true;  // nothing to check it against
        return part;
    }
    if (value == 0 || std::fabs(value) < radius) {
        part.text = "0";
        part.zero = true;
        return part;
    }
    const int exponent = decimalExponent(bounds::formatSignificant(value, kMostDigits));
    int c = exponent - kMostDigits + 1;
    while (radius > 0 && !unitCovers(c, radius)) {
        ++c;
    }
    const int digits = exponent - c + 1;
    if (digits < 1) {
        part.text = "0";
        part.zero = true;
        return part;
    }
    part.text = bounds::formatSignificant(value, digits);
    part.unit = decimalExponent(part.text) - digits + 1;  // a rounding to 10 only widens it
    return part;
}

PrintedRoot fullText(Complex64 z) {
    return {bounds::formatSignificant(std::fabs(z.re) < DBL_MIN ? 0 : z.re, kMostDigits),
            bounds::formatSignificant(std::fabs(z.im) < DBL_MIN ? 0 : z.im, kMostDigits)};
}

// The refined roots, and which of them are taken for one multiple root.
struct Candidate {
    RefinedRoots refined;
    Multiples multipleOf{};
    std::array<double, kMaxCoefficients> spread{};  // per multiple root: its members' reach
    int settled = 0;                                // roots settled, or members of a multiple root
};

int find(std::array<int, kMaxCoefficients>& parent, int i) {
    while (parent[static_cast<std::size_t>(i)] != i) {
        i = parent[static_cast<std::size_t>(i)];
    }
    return i;
}

// The groups that the disks around the refined roots form, with points
// that coincide joined too: each named by its lowest index.
std::array<int, kMaxCoefficients> groupsOf(const CoefficientTable& asRead,
                                           const RefinedRoots& refined) {
    const int n = asRead.count - 1;
    PrintedRoots texts;
    for (int k = 1; k <= n; ++k) {
        texts[static_cast<std::size_t>(k)] = fullText(refined.roots[static_cast<std::size_t>(k)]);
    }
    const RootDisks disks = includePrintedRoots(asRead, texts, n);
    std::array<int, kMaxCoefficients> parent{};
    for (int k = 1; k <= n; ++k) {
        parent[static_cast<std::size_t>(k)] = k;
    }
    for (int i = 1; i <= n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            const RootDisk& a = disks[static_cast<std::size_t>(i)];
            const RootDisk& b = disks[static_cast<std::size_t>(j)];
            const Complex64 zi = refined.roots[static_cast<std::size_t>(i)];
            const Complex64 zj = refined.roots[static_cast<std::size_t>(j)];
            // Where the theorem could not be used (points that coincide),
            // single-point disks that meet are taken as one group.
            const bool grouped =
                a.kind == DiskKind::Simultaneous && b.kind == DiskKind::Simultaneous
                    ? a.group == b.group
                    : a.kind != DiskKind::None && b.kind != DiskKind::None &&
                          !(bounds::distanceDown({a.centreRe, a.centreIm},
                                                 {b.centreRe, b.centreIm}) >
                            bounds::addUp(a.radius, b.radius));
            if (grouped || (zi.re == zj.re && zi.im == zj.im)) {
                const int low = std::min(find(parent, i), find(parent, j));
                const int high = std::max(find(parent, i), find(parent, j));
                parent[static_cast<std::size_t>(high)] = low;
            }
        }
    }
    for (int k = 1; k <= n; ++k) {
        parent[static_cast<std::size_t>(k)] = find(parent, k);
    }
    return parent;
}

// The m roots nearest the centre that no multiple root has taken yet, as a
// bit set (bit k for root k); 0 where fewer are left.
unsigned nearestMembers(const Candidate& candidate, int n, Complex64 centre, int m) {
    unsigned members = 0;
    for (int taken = 0; taken < m; ++taken) {
        int nearest = 0;
        double least = 0;
        for (int j = 1; j <= n; ++j) {
            const auto index = static_cast<std::size_t>(j);
            const Complex64 d = candidate.refined.roots[index] - centre;
            const double distance = std::fabs(d.re) + std::fabs(d.im);
            const bool free = candidate.multipleOf[index] == 0 &&
                              (members & (1U << static_cast<unsigned>(j))) == 0;
            if (free && (nearest == 0 || distance < least)) {
                nearest = j;
                least = distance;
            }
        }
        if (nearest == 0) {
            return 0;
        }
        members |= 1U << static_cast<unsigned>(nearest);
    }
    return members;
}

// Each group of k >= 2 refined roots is looked at as one multiple root; where
// findMultipleRoot finds one, of multiplicity m, the m roots nearest its
// centre become its members, if its disk of m roots is then shown apart.
// Within the rounding of the coefficients only where its members are
// settled: roots that binary64 can part are parted.
Candidate analyse(const CoefficientTable& asRead, const RefinedRoots& refined) {
    const int n = asRead.count - 1;
    Candidate candidate{refined, {}, {}, 0};
    const std::array<int, kMaxCoefficients> group = groupsOf(asRead, refined);
    for (int leader = 1; leader <= n; ++leader) {
        Complex64 sum{0, 0};
        int k = 0;
        for (int j = 1; j <= n; ++j) {
            if (group[static_cast<std::size_t>(j)] == leader &&
                candidate.multipleOf[static_cast<std::size_t>(j)] == 0) {
                sum = sum + refined.roots[static_cast<std::size_t>(j)];
                ++k;
            }
        }
        if (k < 2) {
            continue;
        }
        const MultipleRoot multiple = findMultipleRoot(asRead, {sum.re / k, sum.im / k}, k);
        if (!multiple.found) {
            continue;
        }
        const unsigned members =
            nearestMembers(candidate, n, multiple.centre, multiple.multiplicity);
        bool membersSettled = members != 0;
        for (int j = 1; j <= n; ++j) {
            const bool member = (members & (1U << static_cast<unsigned>(j))) != 0;
            membersSettled =
                membersSettled && (!member || refined.settled[static_cast<std::size_t>(j)]);
        }
        if (members == 0 || (!multiple.exact && !membersSettled)) {
            continue;
        }
        Candidate tried = candidate;
        const int first = std::countr_zero(members);
        for (int j = 1; j <= n; ++j) {
            if ((members & (1U << static_cast<unsigned>(j))) != 0) {
                Complex64& z = tried.refined.roots[static_cast<std::size_t>(j)];
                const Complex64 d = z - multiple.centre;
                tried.spread[static_cast<std::size_t>(first)] =
                    std::fmax(tried.spread[static_cast<std::size_t>(first)],
                              std::fabs(d.re) + std::fabs(d.im));
                z = multiple.centre;
                tried.multipleOf[static_cast<std::size_t>(j)] = first;
            }
        }
        PrintedRoots texts;
        for (int j = 1; j <= n; ++j) {
            texts[static_cast<std::size_t>(j)] =
                fullText(tried.refined.roots[static_cast<std::size_t>(j)]);
        }
        bool confirmed = false;
        includeRefinedRoots(asRead, texts, tried.multipleOf, tried.spread, confirmed);
        if (confirmed) {
            candidate = tried;
        }
    }
    for (int k = 1; k <= n; ++k) {
        const auto index = static_cast<std::size_t>(k);
        candidate.settled +=
            candidate.refined.settled[index] || candidate.multipleOf[index] != 0 ? 1 : 0;
    }
    candidate.refined.converged = candidate.settled == n;
    return candidate;
}

// The texts of every part, from the radius of each root's disk.
PrintedRoots printAll(const RefinedListing& listing,
                      const std::array<double, kMaxCoefficients>& radius,
                      std::array<std::array<Part, 2>, kMaxCoefficients>& parts) {
    PrintedRoots printed;
    for (int k = 1; k <= listing.count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const Complex64 z = listing.refined.roots[i];
        parts[i] = {printPart(z.re, radius[i]), printPart(z.im, radius[i])};
        printed[i] = {parts[i][0].text, parts[i][1].text};
    }
    return printed;
}

double radiusOf(const RootDisk& disk) {
    return disk.kind == DiskKind::None ? -1.0 : disk.radius;
}

// Digits and disks together: a part's digits follow from the radius of the
// disk around the root as printed, which the digits move; each round that
// finds a digit's unit below the new radius takes that radius and prints
// again, so digits only go, and the last round's disks are those of its texts.
void printWithDisks(const CoefficientTable& asRead, RefinedListing& listing) {
    const int n = listing.count;
    PrintedRoots full;
    for (int k = 1; k <= n; ++k) {
        full[static_cast<std::size_t>(k)] =
            fullText(listing.refined.roots[static_cast<std::size_t>(k)]);
    }
    bool confirmed = false;
    listing.disks =
        includeRefinedRoots(asRead, full, listing.multipleOf, listing.spread, confirmed);
    std::array<double, kMaxCoefficients> radius{};
    for (int k = 1; k <= n; ++k) {
        radius[static_cast<std::size_t>(k)] = radiusOf(listing.disks[static_cast<std::size_t>(k)]);
    }
    std::array<std::array<Part, 2>, kMaxCoefficients> parts;  // each set by printAll
    PrintedRoots shown = full;  // the last texts whose disks were shown
    RootDisks shownDisks = listing.disks;
    for (int round = 0; round < kDigitRounds && confirmed; ++round) {
        listing.printed = printAll(listing, radius, parts);
        listing.disks = includeRefinedRoots(asRead, listing.printed, listing.multipleOf,
                                            listing.spread, confirmed);
        if (!confirmed) {
            break;  // a multiple root's disk not shown about these texts: keep the last
        }
        shown = listing.printed;
        shownDisks = listing.disks;
        bool justified = true;
        for (int k = 1; k <= n; ++k) {
            const auto i = static_cast<std::size_t>(k);
            const double now = radiusOf(listing.disks[i]);
            for (const Part& part : parts[i]) {
                if (!part.zero && (now < 0 || !unitCovers(part.unit, now))) {
                    justified = false;
                    radius[i] = now < 0 ? now : std::fmax(radius[i], now);
                }
            }
        }
        if (justified) {
            return;
        }
    }
    listing.printed = shown;
    listing.disks = shownDisks;
}

}  // namespace

RefinedListing refineListing(const CoefficientTable& asRead,
                             const std::array<Complex, kMaxCoefficients>& listed, int listedCount) {
    RefinedListing listing;
    listing.count = asRead.count - 1;
    Candidate best = analyse(asRead, refineRoots(asRead, listed, listedCount));
    if (best.settled < listing.count) {
        const Candidate afresh = analyse(asRead, refineRootsAfresh(asRead));
        best = afresh.settled > best.settled ? afresh : best;
    }
    listing.refined = best.refined;
    listing.multipleOf = best.multipleOf;
    listing.spread = best.spread;
    printWithDisks(asRead, listing);
    return listing;
}

namespace {

// Kuhn's augmenting paths: whether listed root k can be given a refined
// root, moving earlier ones to others where they can go.
bool assign(int k, const std::array<unsigned, kMaxCoefficients>& close,
            std::array<int, kMaxCoefficients>& owner, unsigned& visited, int n) {
    for (int j = 1; j <= n; ++j) {
        const unsigned bit = 1U << static_cast<unsigned>(j);
        if ((close[static_cast<std::size_t>(k)] & bit) == 0 || (visited & bit) != 0) {
            continue;
        }
        visited |= bit;
        int& current = owner[static_cast<std::size_t>(j)];
        if (current == 0 || assign(current, close, owner, visited, n)) {
            current = k;
            return true;
        }
    }
    return false;
}

}  // namespace

std::array<bool, kMaxCoefficients> listedRootsMissing(
    const RefinedListing& listing, const std::array<Complex, kMaxCoefficients>& listed,
    int listedCount) {
    const int n = listing.count;
    const double tolerance = kSecantTolerance;
    std::array<unsigned, kMaxCoefficients> close{};
    for (int k = 1; k <= listedCount; ++k) {
        const Complex x = listed[static_cast<std::size_t>(k)];
        const Complex64 at{x.re, x.im};
        const double size = std::fmax(1.0, bounds::modulusDown(std::fabs(at.re), std::fabs(at.im)));
        const double within = bounds::multiplyDown(tolerance, size);
        for (int j = 1; j <= n; ++j) {
            const RootDisk& disk = listing.disks[static_cast<std::size_t>(j)];
            if (disk.kind == DiskKind::None) {
                continue;
            }
            const double reach =
                bounds::addUp(bounds::distanceUp(at, {disk.centreRe, disk.centreIm}), disk.radius);
            if (reach <= within) {
                close[static_cast<std::size_t>(k)] |= 1U << static_cast<unsigned>(j);
            }
        }
    }
    std::array<int, kMaxCoefficients> owner{};
    std::array<bool, kMaxCoefficients> missing{};
    for (int k = 1; k <= listedCount; ++k) {
        unsigned visited = 0;
        missing[static_cast<std::size_t>(k)] = !assign(k, close, owner, visited, n);
    }
    return missing;
}

}  // namespace secant
