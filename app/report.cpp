#include "app/report.hpp"

#include <array>
#include <cmath>
#include <complex>
#include <limits>

#include "app/shown_number.hpp"
#include "solver/bounds/horner.hpp"

namespace secant {

namespace {

// |P(x)| at double precision with the coefficients as they were read, by
// the bounds' Horner scheme. Its finite values are those of std::complex,
// which forms the same products and sums; where a step overflowed, the
// written-out product may leave NaN where std::complex recovers an infinity,
// and |P(x)| is beyond the range: infinity.
double residual(const CoefficientTable& asRead, Complex x) {
    const bounds::Evaluated p =
        bounds::evaluate(bounds::widened(asRead), asRead.count, Complex64{x.re, x.im});
    if (!isFinite(p.value)) {
        return std::numeric_limits<double>::infinity();
    }
    return std::abs(std::complex<double>(p.value.re, p.value.im));
}

// "двух" to "девяти": the circles of a group, in the prepositional case.
Text circlesInGroup(int size) {
    switch (size) {
        case 2: return texts::kDiskInTwo;
        case 3: return texts::kDiskInThree;
        case 4: return texts::kDiskInFour;
        case 5: return texts::kDiskInFive;
        case 6: return texts::kDiskInSix;
        case 7: return texts::kDiskInSeven;
        case 8: return texts::kDiskInEight;
        default: return texts::kDiskInNine;
    }
}

// The other disks of disk k's group: those that meet it, or those in the
// group only through others.
struct Members {
    std::array<int, kMaxCoefficients> index{};
    int count = 0;
};

Members groupMembers(const RootDisks& disks, int k, bool meeting) {
    Members members;
    for (int j = 1; j < kMaxCoefficients; ++j) {
        const bool meets = ((disks[k].meets >> static_cast<unsigned>(j)) & 1U) != 0;
        if (j != k && disks[j].kind == DiskKind::Simultaneous && disks[j].group == disks[k].group &&
            meets == meeting) {
            members.index[static_cast<std::size_t>(members.count++)] = j;
        }
    }
    return members;
}

// "кругом x2" or "кругами x2, x4".
void printMembers(Console& console, const Members& members) {
    print(console,
          members.count == 1 ? Text(texts::kDiskWithCircle) : Text(texts::kDiskWithCircles));
    for (int m = 0; m < members.count; ++m) {
        console.out << (m > 0 ? ", " : "") << "x" << members.index[static_cast<std::size_t>(m)];
    }
}

// Why no disk could be found.
Text noDiskReason(NoDiskReason reason) {
    switch (reason) {
        case NoDiskReason::DerivativeNearZero: return texts::kDiskDerivativeNearZero;
        case NoDiskReason::NotFinite: return texts::kDiskNotFinite;
        case NoDiskReason::Overflow: break;
    }
    return texts::kDiskOverflow;
}

// The end of a --report line: the disk, and the group it belongs to.
void printDisk(Console& console, const RootDisks& disks, int k) {
    const RootDisk& disk = disks[k];
    if (disk.kind == DiskKind::None) {
        print(console, texts::kDiskNotFound);
        print(console, noDiskReason(disk.reason));
        return;
    }
    print(console, texts::kDiskRadius);
    console.out << disk.radiusText;
    if (disk.byRootBound) {
        print(console, texts::kDiskRootBound);
    } else if (disk.kind == DiskKind::SinglePoint) {
        print(console, texts::kDiskSinglePoint);
    }
    if (disk.kind != DiskKind::Simultaneous || disk.groupSize < 2) {
        return;
    }
    const Members meeting = groupMembers(disks, k, true);
    const Members through = groupMembers(disks, k, false);
    print(console, texts::kDiskMeets);
    printMembers(console, meeting);
    if (through.count > 0) {
        print(console,
              meeting.count == 1 ? Text(texts::kDiskThroughIt) : Text(texts::kDiskThroughThem));
        printMembers(console, through);
    }
    print(console, texts::kDiskInThese);
    print(console, circlesInGroup(disk.groupSize));
    print(console, texts::kDiskCircles);
    console.out << disk.groupSize;
    print(console, disk.groupSize < 5 ? Text(texts::kDiskRootsFew) : Text(texts::kDiskRootsMany));
}

}  // namespace

void printReport(Console& console, const FoundRoots& roots, const CoefficientTable& asRead,
                 const RootDisks& disks) {
    for (int k = 1; k <= roots.count; ++k) {
        const RootSearch& search = roots.searches[k];
        console.out << "x" << k;
        print(console, texts::kReportIterations);
        console.out << search.result.iterations;
        if (search.origin == RootOrigin::OtherStart) {
            print(console, texts::kReportInAttempt);
            console.out << search.attempt;
            printStartPoints(console, search.start.x0, search.start.x1);
        }
        print(console, search.result.converged ? Text(texts::kReportConverged)
                                               : Text(texts::kReportNotConverged));
        if (search.atRoundingFloor) {
            print(console, texts::kReportAtFloor);
        }
        console.out << ", |P(x" << k << ")|=" << Shown{residual(asRead, search.result.root)};
        printDisk(console, disks, k);
        console.out << std::endl;
    }
}

// Their disks, after the listing's --report lines.
void printRefinedReport(Console& console, const RefinedListing& listing) {
    for (int k = 1; k <= listing.count; ++k) {
        print(console, texts::kRefinedLabel);
        console.out << "x" << k;
        print(console, texts::kReportRefinementIterations);
        console.out << listing.refined.iterations;
        if (listing.disks[k].multiplicity > 1) {
            print(console, texts::kReportMultiple);
            const char* separator = " ";
            for (int j = 1; j <= listing.count; ++j) {
                if (j != k && listing.multipleOf[j] == listing.multipleOf[k]) {
                    console.out << separator << "x" << j;
                    separator = ", ";
                }
            }
        }
        printDisk(console, listing.disks, k);
        console.out << std::endl;
    }
}

// " из точек (a, b) и (c, d)"
void printStartPoints(Console& console, Complex start0, Complex start1) {
    print(console, texts::kFromPoints);
    console.out << Shown{start0.real()} << ", " << Shown{start0.imag()};
    print(console, texts::kPointsAnd);
    console.out << Shown{start1.real()} << ", " << Shown{start1.imag()} << ")";
}

}  // namespace secant
