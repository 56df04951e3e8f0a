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

// The other disks of disk k's group: those that meet it, or those in the
// group only through others.
struct Members {
    RootNames names;
    int count = 0;
};

Members groupMembers(const RootDisks& disks, int k, bool meeting) {
    Members members;
    for (int j = 1; j < kMaxCoefficients; ++j) {
        const bool meets = ((disks[k].meets >> static_cast<unsigned>(j)) & 1U) != 0;
        if (j != k && disks[j].kind == DiskKind::Simultaneous && disks[j].group == disks[k].group &&
            meets == meeting) {
            members.names.roots |= 1U << static_cast<unsigned>(j);
            ++members.count;
        }
    }
    return members;
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
        print(console, texts::kDiskNotFound, noDiskReason(disk.reason));
        return;
    }
    const Text radius = disk.byRootBound                     ? Text(texts::kDiskRadiusRootBound)
                        : disk.kind == DiskKind::SinglePoint ? Text(texts::kDiskRadiusSinglePoint)
                                                             : Text(texts::kDiskRadius);
    print(console, radius, disk.radiusText);
    if (disk.kind != DiskKind::Simultaneous || disk.groupSize < 2) {
        return;
    }
    using texts::agreed;
    using texts::Counted;
    const Members meeting = groupMembers(disks, k, true);
    const Members through = groupMembers(disks, k, false);
    const int size = disk.groupSize;
    if (through.count > 0) {
        print(console, texts::kDiskGroupThrough, agreed(Counted::Circles, meeting.count),
              meeting.names, agreed(Counted::ThroughThem, meeting.count),
              agreed(Counted::Circles, through.count), through.names,
              agreed(Counted::InThese, size), size, agreed(Counted::Roots, size));
    } else {
        print(console, texts::kDiskGroup, agreed(Counted::Circles, meeting.count), meeting.names,
              agreed(Counted::InThese, size), size, agreed(Counted::Roots, size));
    }
}

}  // namespace

void printReport(Console& console, const FoundRoots& roots, const CoefficientTable& asRead,
                 const RootDisks& disks) {
    for (int k = 1; k <= roots.count; ++k) {
        const RootSearch& search = roots.searches[k];
        print(console, texts::kReportPasses, k, search.result.iterations);
        if (search.origin == RootOrigin::OtherStart) {
            const Complex x0 = search.start.x0;
            const Complex x1 = search.start.x1;
            print(console, texts::kReportInAttempt, search.attempt, Shown{x0.real()},
                  Shown{x0.imag()}, Shown{x1.real()}, Shown{x1.imag()});
        }
        print(console, search.result.converged ? Text(texts::kReportConverged)
                                               : Text(texts::kReportNotConverged));
        if (search.atRoundingFloor) {
            print(console, texts::kReportAtFloor);
        }
        print(console, texts::kReportResidual, k, Shown{residual(asRead, search.result.root)});
        printDisk(console, disks, k);
        console.out << std::endl;
    }
}

// Their disks, after the listing's --report lines.
void printRefinedReport(Console& console, const RefinedListing& listing) {
    for (int k = 1; k <= listing.count; ++k) {
        const int steps = listing.refined.iterations;
        if (listing.disks[k].multiplicity > 1) {
            RootNames others;
            for (int j = 1; j <= listing.count; ++j) {
                if (j != k && listing.multipleOf[j] == listing.multipleOf[k]) {
                    others.roots |= 1U << static_cast<unsigned>(j);
                }
            }
            print(console, texts::kReportRefinedMultiple, k, steps, others);
        } else {
            print(console, texts::kReportRefined, k, steps);
        }
        printDisk(console, listing.disks, k);
        console.out << std::endl;
    }
}

}  // namespace secant
