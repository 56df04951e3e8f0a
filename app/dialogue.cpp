#include "app/dialogue.hpp"

#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <string>
#include <string_view>

#include "app/refined.hpp"
#include "app/shown_number.hpp"
#include "app/svg.hpp"
#include "app/texts.hpp"
#include "arithmetic/numeric_environment.hpp"
#include "bounds/decimal.hpp"
#include "bounds/horner.hpp"
#include "bounds/inclusion.hpp"
#include "solver/polynomial.hpp"
#include "solver/recovery.hpp"

namespace secant {

namespace {

constexpr int kMaxOrder = kMaxCoefficients - 1;
constexpr int kExitOk = 0;
constexpr int kExitError = 1;

template <std::size_t N>
void printOemOn(Console& console, std::ostream& stream, const Cp1251Text<N>& text) {
    console.printOem(stream, text.zeroTerminated());
}

template <std::size_t N>
void printOem(Console& console, const Cp1251Text<N>& text) {
    console.printOem(console.out, text.zeroTerminated());
}

template <std::size_t N>
void printOemLine(Console& console, const Cp1251Text<N>& text) {
    printOem(console, text);
    console.out << std::endl;
}

// An error line on standard error, after everything written so far.
template <std::size_t N>
void printError(Console& console, const Cp1251Text<N>& text) {
    console.out.flush();
    console.printOem(console.err, text.zeroTerminated());
    console.err << std::endl;
}

// An error line of the form <head><index><tail>.
template <std::size_t N, std::size_t M>
void printError(Console& console, const Cp1251Text<N>& head, int index, const Cp1251Text<M>& tail) {
    console.out.flush();
    console.printOem(console.err, head.zeroTerminated());
    console.err << index;
    console.printOem(console.err, tail.zeroTerminated());
    console.err << std::endl;
}

bool endsToken(int next) {
    return next == std::char_traits<char>::eof() || std::isspace(next) != 0;
}

// At the end of the input, or where it cannot be read (badbit).
bool inputEnds(std::istream& in) {
    in >> std::ws;
    return in.eof() || in.bad();
}

// A text given by the user, with its control characters shown escaped, so
// that a newline or an escape sequence in it never reaches the terminal.
void printEscaped(std::ostream& out, std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out << c;
        } else if (c == '\n') {
            out << "\\n";
        } else if (c == '\t') {
            out << "\\t";
        } else if (c == '\r') {
            out << "\\r";
        } else {
            out << "\\x" << kHex[byte >> 4] << kHex[byte & 0xF];
        }
    }
}

// A UTF-8 byte order mark at the very start of the input (as Notepad saves a
// file) is skipped. False where the input starts with a part of one only: no
// order can start so.
bool skipByteOrderMark(std::istream& in) {
    constexpr int kMark[] = {0xEF, 0xBB, 0xBF};
    if (in.peek() != kMark[0]) {
        return true;
    }
    for (const int byte : kMark) {
        if (in.peek() != byte) {
            return false;
        }
        in.ignore();
    }
    return true;
}

enum class OrderStatus { Read, Ended, NotInteger, TooLarge, ReadError };

OrderStatus readOrder(std::istream& in, std::int32_t& order) {
    if (!skipByteOrderMark(in)) {
        return OrderStatus::NotInteger;
    }
    if (inputEnds(in)) {
        return in.bad() ? OrderStatus::ReadError : OrderStatus::Ended;
    }
    in >> order;
    if (in.bad()) {
        return OrderStatus::ReadError;
    }
    if (in.fail()) {
        // An integer beyond int reads as its nearest limit with the stream failed.
        if (order == std::numeric_limits<std::int32_t>::max()) {
            return OrderStatus::TooLarge;
        }
        if (order != std::numeric_limits<std::int32_t>::min()) {
            return OrderStatus::NotInteger;
        }
        in.clear(in.rdstate() & ~std::ios_base::failbit);  // far below zero: no roots
    }
    if (!endsToken(in.peek())) {
        return OrderStatus::NotInteger;  // 2.5, 3x
    }
    return order > kMaxOrder ? OrderStatus::TooLarge : OrderStatus::Read;
}

enum class CoefficientStatus { Read, Ended, Malformed, DecimalComma, TooLarge, ReadError };

CoefficientStatus readCoefficient(std::istream& in, Complex& coefficient) {
    if (inputEnds(in)) {
        return in.bad() ? CoefficientStatus::ReadError : CoefficientStatus::Ended;
    }
    const bool bare = in.peek() != '(';
    in >> coefficient;
    if (in.bad()) {
        return CoefficientStatus::ReadError;
    }
    if (in.fail()) {
        return CoefficientStatus::Malformed;
    }
    if (bare) {
        const int next = in.peek();
        if (next == ',') {
            return CoefficientStatus::DecimalComma;  // 2,5 typed for 2.5
        }
        if (!endsToken(next)) {
            return CoefficientStatus::Malformed;
        }
    }
    if (std::isinf(coefficient.re) || std::isinf(coefficient.im)) {
        return CoefficientStatus::TooLarge;
    }
    return CoefficientStatus::Read;
}

void reportCoefficient(Console& console, CoefficientStatus status, int index) {
    switch (status) {
        case CoefficientStatus::Ended:
            printError(console, texts::kInputEndedBeforeCoefficient, index, texts::kNotGiven);
            break;
        case CoefficientStatus::Malformed:
            printError(console, texts::kCoefficientError, index, texts::kMalformed);
            break;
        case CoefficientStatus::DecimalComma:
            printError(console, texts::kCoefficientError, index, texts::kDecimalComma);
            break;
        case CoefficientStatus::TooLarge:
            printError(console, texts::kCoefficientError, index, texts::kTooLarge);
            break;
        case CoefficientStatus::ReadError: printError(console, texts::kInputNotRead); break;
        case CoefficientStatus::Read: break;
    }
}

bool isZero(Complex z) {
    return z.re == 0.0F && z.im == 0.0F;
}

// "x<index>=<re> <im>i", the line of a root in the listing and, after a
// label, in the refined roots.
void printRootLine(Console& console, int index, const PrintedRoot& root) {
    console.out << "x" << index << "=" << root.re << " " << root.im << "i" << std::endl;
}

void printNotConverged(Console& console, int index) {
    printOem(console, texts::kNotConverged);
    console.out << index;
    printOem(console, texts::kNotConvergedWithin);
    console.out << kSecantMaxIterations;
    printOemLine(console, texts::kIterations);
}

int finish(Console& console, int status) {
    printOem(console, texts::kPressAnyKey);
    status = checkOutputWritten(console, status);
    console.waitForKey();
    return status;
}

// What watches the searches for --trace and --svg.
struct Watch {
    Console* console = nullptr;
    bool trace = false;
    IteratePicture* picture = nullptr;
    int root = 0;
};

void printTraceLine(Console& console, int root, int iteration, Complex x2, double modulus) {
    printOem(console, texts::kTraceRoot);
    console.out << root;
    printOem(console, texts::kTraceIteration);
    console.out << iteration << ": x=" << Shown{x2.real()} << " " << Shown{x2.imag()}
                << "i |f(x)|=" << Shown{modulus} << std::endl;
}

// " из точек (a, b) и (c, d)"
void printStartPoints(Console& console, Complex start0, Complex start1) {
    printOem(console, texts::kFromPoints);
    console.out << Shown{start0.real()} << ", " << Shown{start0.imag()};
    printOem(console, texts::kPointsAnd);
    console.out << Shown{start1.real()} << ", " << Shown{start1.imag()} << ")";
}

// Runs between a pass and its stop test. Whatever the output does to the
// exception flags is undone, so the search's own flags stay as they were.
// (Not with fesetexceptflag: mingw-w64's clears the SSE exception masks, and
// the next inexact operation then ends the program.)
void onIteration(void* context, int iteration, Complex x2, double modulus) {
    const ArithmeticFlags flags = raisedArithmeticFlags();
    auto& watch = *static_cast<Watch*>(context);
    if (watch.trace) {
        printTraceLine(*watch.console, watch.root, iteration, x2, modulus);
    }
    if (watch.picture != nullptr) {
        watch.picture->searches[watch.root].points.push_back(x2);
        watch.picture->searches[watch.root].iterations = iteration;
    }
    restoreArithmeticFlags(flags);
}

// Before each search from other start points: its heading in the trace
// (with the scale of its f, whose modulus the pass lines show), and a new
// path in the picture, the one before it abandoned.
void onAttempt(void* context, int attempt, Complex start0, Complex start1, int scale) {
    const ArithmeticFlags flags = raisedArithmeticFlags();
    auto& watch = *static_cast<Watch*>(context);
    if (watch.trace) {
        Console& console = *watch.console;
        printOem(console, texts::kTraceRoot);
        console.out << watch.root;
        printOem(console, texts::kTraceAttempt);
        console.out << attempt << ":";
        printStartPoints(console, start0, start1);
        if (scale != 0) {
            printOem(console, texts::kTraceScaled);
            console.out << scale;
        }
        console.out << std::endl;
    }
    if (watch.picture != nullptr) {
        SearchPath& path = watch.picture->searches[watch.root];
        path.abandoned.push_back(std::move(path.points));
        path.points = {start0, start1};
        path.iterations = 0;
    }
    restoreArithmeticFlags(flags);
}

// Before each root's first search: the trace and the picture follow it.
void onRoot(void* context, int root) {
    auto& watch = *static_cast<Watch*>(context);
    watch.root = root;
    if (watch.picture != nullptr) {
        watch.picture->searchCount = root;
        watch.picture->searches[root].points = {kSecantStart0, kSecantStart1};
    }
}

// The condition as the error line names it: ": переполнение" and so on.
const char* conditionText(ArithmeticFlags flags) {
    if (flags.overflow) {
        return texts::kOverflow.zeroTerminated();
    }
    if (flags.divisionByZero) {
        return texts::kDivisionByZero.zeroTerminated();
    }
    return texts::kInvalidOperation.zeroTerminated();
}

// Why root k was not the standard search's, and how it was found instead.
void printRecovered(Console& console, int k, const RootSearch& search) {
    printOem(console, texts::kNotConverged);
    console.out << k;
    printOem(console, texts::kStandardSearchStopped);
    console.printOem(console.out, conditionText(search.condition));
    if (search.origin == RootOrigin::OtherStart) {
        printOem(console, texts::kFoundFromOtherStarts);
    } else {
        printOem(console, texts::kTakenAtPoint);
    }
    if (search.atRoundingFloor) {
        printOem(console, texts::kCannotTellFromZero);
    }
    console.out << std::endl;
}

// Header, listing, and a warning for each root found at the pass limit or
// not by the standard search.
void listRoots(Console& console, const FoundRoots& roots) {
    printOemLine(console, texts::kRootsHeader);
    for (int k = 1; k <= roots.found; ++k) {
        const Complex root = roots.searches[k].result.root;
        printRootLine(console, k, {bounds::printedPart(root.re), bounds::printedPart(root.im)});
    }
    for (int k = 1; k <= roots.found; ++k) {
        const RootSearch& search = roots.searches[k];
        if (search.origin != RootOrigin::StandardSearch) {
            printRecovered(console, k, search);
        } else if (!search.result.converged) {
            printNotConverged(console, k);
        }
    }
}

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
const char* circlesInGroup(int size) {
    switch (size) {
        case 2: return texts::kDiskInTwo.zeroTerminated();
        case 3: return texts::kDiskInThree.zeroTerminated();
        case 4: return texts::kDiskInFour.zeroTerminated();
        case 5: return texts::kDiskInFive.zeroTerminated();
        case 6: return texts::kDiskInSix.zeroTerminated();
        case 7: return texts::kDiskInSeven.zeroTerminated();
        case 8: return texts::kDiskInEight.zeroTerminated();
        default: return texts::kDiskInNine.zeroTerminated();
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
    console.printOem(console.out, members.count == 1 ? texts::kDiskWithCircle.zeroTerminated()
                                                     : texts::kDiskWithCircles.zeroTerminated());
    for (int m = 0; m < members.count; ++m) {
        console.out << (m > 0 ? ", " : "") << "x" << members.index[static_cast<std::size_t>(m)];
    }
}

// Why no disk could be found.
const char* noDiskReason(NoDiskReason reason) {
    switch (reason) {
        case NoDiskReason::DerivativeNearZero:
            return texts::kDiskDerivativeNearZero.zeroTerminated();
        case NoDiskReason::NotFinite: return texts::kDiskNotFinite.zeroTerminated();
        case NoDiskReason::Overflow: break;
    }
    return texts::kDiskOverflow.zeroTerminated();
}

// The end of a --report line: the disk, and the group it belongs to.
void printDisk(Console& console, const RootDisks& disks, int k) {
    const RootDisk& disk = disks[k];
    if (disk.kind == DiskKind::None) {
        printOem(console, texts::kDiskNotFound);
        console.printOem(console.out, noDiskReason(disk.reason));
        return;
    }
    printOem(console, texts::kDiskRadius);
    console.out << disk.radiusText;
    if (disk.byRootBound) {
        printOem(console, texts::kDiskRootBound);
    } else if (disk.kind == DiskKind::SinglePoint) {
        printOem(console, texts::kDiskSinglePoint);
    }
    if (disk.kind != DiskKind::Simultaneous || disk.groupSize < 2) {
        return;
    }
    const Members meeting = groupMembers(disks, k, true);
    const Members through = groupMembers(disks, k, false);
    printOem(console, texts::kDiskMeets);
    printMembers(console, meeting);
    if (through.count > 0) {
        console.printOem(console.out, meeting.count == 1
                                          ? texts::kDiskThroughIt.zeroTerminated()
                                          : texts::kDiskThroughThem.zeroTerminated());
        printMembers(console, through);
    }
    printOem(console, texts::kDiskInThese);
    console.printOem(console.out, circlesInGroup(disk.groupSize));
    printOem(console, texts::kDiskCircles);
    console.out << disk.groupSize;
    console.printOem(console.out, disk.groupSize < 5 ? texts::kDiskRootsFew.zeroTerminated()
                                                     : texts::kDiskRootsMany.zeroTerminated());
}

void printReport(Console& console, const FoundRoots& roots, const CoefficientTable& asRead,
                 const RootDisks& disks) {
    for (int k = 1; k <= roots.found; ++k) {
        const RootSearch& search = roots.searches[k];
        console.out << "x" << k;
        printOem(console, texts::kReportIterations);
        console.out << search.result.iterations;
        if (search.origin == RootOrigin::OtherStart) {
            printOem(console, texts::kReportInAttempt);
            console.out << search.attempt;
            printStartPoints(console, search.start.x0, search.start.x1);
        }
        console.printOem(console.out, search.result.converged
                                          ? texts::kReportConverged.zeroTerminated()
                                          : texts::kReportNotConverged.zeroTerminated());
        if (search.atRoundingFloor) {
            printOem(console, texts::kReportAtFloor);
        }
        console.out << ", |P(x" << k << ")|=" << Shown{residual(asRead, search.result.root)};
        printDisk(console, disks, k);
        console.out << std::endl;
    }
}

// Where the listing holds a root that the search from (0, 0) and (1, 1) did
// not give within its tolerance (it reached the pass limit, or the root was
// found otherwise), the later roots may belong to a damaged polynomial, or
// single precision could not say more: the refined roots answer.
bool listingNeedsRefinement(const FoundRoots& roots) {
    for (int k = 1; k <= roots.found; ++k) {
        const RootSearch& search = roots.searches[k];
        if (search.origin != RootOrigin::StandardSearch || !search.result.converged) {
            return true;
        }
    }
    return false;
}

// The section of the refined roots, after the listing's warnings.
void printRefined(Console& console, const RefinedListing& listing) {
    printOemLine(console, texts::kRefinedHeader);
    for (int k = 1; k <= listing.count; ++k) {
        printOem(console, texts::kRefinedLabel);
        printRootLine(console, k, listing.printed[k]);
    }
    if (!listing.refined.converged) {
        printOem(console, texts::kRefinementNotConverged);
        console.out << listing.refined.iterations;
        printOemLine(console, texts::kRefinementIterations);
    }
}

// Their disks, after the listing's --report lines.
void printRefinedReport(Console& console, const RefinedListing& listing) {
    for (int k = 1; k <= listing.count; ++k) {
        printOem(console, texts::kRefinedLabel);
        console.out << "x" << k;
        printOem(console, texts::kReportRefinementIterations);
        console.out << listing.refined.iterations;
        printDisk(console, listing.disks, k);
        console.out << std::endl;
    }
}

// How much of what is left on the line a warning shows.
constexpr std::size_t kShownLeftBytes = 60;

// What is left on the line after the last coefficient, as far as it has
// arrived (nothing is waited for), is named on standard error: a mistyped
// order would otherwise solve another equation without a word.
void warnOfLeftOnLine(Console& console, int lastIndex) {
    std::streambuf& input = *console.in.rdbuf();
    std::string left;
    bool more = false;
    while (input.in_avail() > 0 && input.sgetc() != '\n') {
        const char c = static_cast<char>(input.sbumpc());
        if (left.size() < kShownLeftBytes) {
            left.push_back(c);
        } else {
            more = true;
        }
    }
    const std::size_t first = left.find_first_not_of(" \t\r\v\f");
    if (first == std::string::npos) {
        return;
    }
    left.erase(0, first);
    if (more) {
        // Cut before a character that is not there whole (UTF-8), not inside it.
        std::size_t lead = left.size();
        while (lead > 0 && (static_cast<unsigned char>(left[lead - 1]) & 0xC0U) == 0x80U) {
            --lead;
        }
        if (lead > 0 &&
            lead - 1 + utf8Length(static_cast<unsigned char>(left[lead - 1])) > left.size()) {
            left.resize(lead - 1);
        }
        left += "...";
    }
    left.erase(left.find_last_not_of(" \t\r\v\f") + 1);
    console.out.flush();
    console.printOem(console.err, texts::kLeftOnLine.zeroTerminated());
    console.err << lastIndex;
    console.printOem(console.err, texts::kLeftOnLineNotRead.zeroTerminated());
    printEscaped(console.err, left);
    console.err << std::endl;
}

// Reads the coefficients into table entries 0 to count - 1, stopping at the first
// that cannot be used. Returns false after reporting it.
bool readCoefficients(Console& console) {
    CoefficientTable& table = coefficientTable;
    for (int i = 0; i < table.count; ++i) {
        const CoefficientStatus status = readCoefficient(console.in, table.coefficients[i]);
        if (status != CoefficientStatus::Read) {
            console.out << std::endl;
            reportCoefficient(console, status, i);
            return false;
        }
    }
    console.out << std::endl;
    if (table.count > 0) {
        warnOfLeftOnLine(console, table.count - 1);
    }
    if (table.count > 1 && isZero(table.coefficients[0])) {
        printError(console, texts::kLeadingZero);
        return false;
    }
    return true;
}

}  // namespace

void printOptionError(Console& console, const Command& command) {
    if (command.kind == CommandKind::MissingFile) {
        printError(console, texts::kMissingFile);
        return;
    }
    console.out.flush();
    console.printOem(console.err, texts::kUnknownOption.zeroTerminated());
    printEscaped(console.err, command.offending);
    console.err << std::endl;
}

void printUsage(Console& console, std::ostream& out) {
    for (const char* line :
         {texts::kUsage.zeroTerminated(), texts::kUsageReport.zeroTerminated(),
          texts::kUsageReportDisk.zeroTerminated(), texts::kUsageReportGroup.zeroTerminated(),
          texts::kUsageTrace.zeroTerminated(), texts::kUsageRefine.zeroTerminated(),
          texts::kUsageSvg.zeroTerminated(), texts::kUsageVersion.zeroTerminated(),
          texts::kUsageHelp.zeroTerminated()}) {
        console.printOem(out, line);
        out << std::endl;
    }
}

namespace {

// Solving from the coefficients read to the last line before the key prompt.
int solve(Console& console, const DialogueOptions& options, IteratePicture* picture) {
    const CoefficientTable asRead = coefficientTable;
    Watch watch;
    watch.console = &console;
    watch.trace = options.trace;
    watch.picture = picture;
    const bool watched = options.trace || picture != nullptr;
    // Every root, stopping at the first that no search finds or the first
    // deflation that meets an exceptional condition.
    const SecantObserver observer{&onIteration, &watch, &onAttempt, &onRoot};
    const FoundRoots roots = findRoots(watched ? &observer : nullptr);
    const std::array<Complex, kMaxCoefficients> listed = roots.listed();
    listRoots(console, roots);
    const bool refine = options.refine || listingNeedsRefinement(roots);
    const RefinedListing refined =
        refine ? refineListing(asRead, listed, roots.found) : RefinedListing{};
    if (refine) {
        printRefined(console, refined);
    }
    const bool disks = options.report || picture != nullptr;
    const RootDisks inclusion = disks ? includeRoots(asRead, listed, roots.found) : RootDisks{};
    if (options.report) {
        printReport(console, roots, asRead, inclusion);
        if (refine) {
            printRefinedReport(console, refined);
        }
    }
    if (picture != nullptr) {
        picture->roots = listed;
        picture->rootCount = roots.found;
        picture->disks = inclusion;
        picture->refined = refined.disks;
        picture->refinedCount = refined.count;
    }
    if (roots.failure.any()) {
        console.out.flush();
        printOemOn(console, console.err, texts::kRootError);
        console.err << roots.found + 1;
        console.printOem(console.err, conditionText(roots.failure));
        console.err << std::endl;
        return kExitError;
    }
    return kExitOk;
}

int readAndSolve(Console& console, const DialogueOptions& options, IteratePicture* picture) {
    CoefficientTable& table = coefficientTable;

    printOemLine(console, texts::kBanner);
    printOem(console, texts::kOrderPrompt);
    // The order is read aside, so that a refused one never reaches the table.
    std::int32_t order = 0;
    switch (readOrder(console.in, order)) {
        case OrderStatus::Ended:
            printError(console, texts::kInputEndedBeforeOrder);
            return kExitError;
        case OrderStatus::NotInteger:
            printError(console, texts::kOrderNotInteger);
            return kExitError;
        case OrderStatus::TooLarge: printError(console, texts::kOrderTooLarge); return kExitError;
        case OrderStatus::ReadError: printError(console, texts::kInputNotRead); return kExitError;
        case OrderStatus::Read: break;
    }
    table.count = order + 1;
    printOemLine(console, texts::kCoefficientsPrompt);
    printOemLine(console, texts::kCoefficientsOrder);
    console.out << texts::kCoefficientsPrefix;
    if (!readCoefficients(console)) {
        return kExitError;
    }
    return solve(console, options, picture);
}

// The reason after the file name, for the common causes in words.
void printWriteFailure(Console& console, FileWriteResult result) {
    switch (result.error) {
        case FileWriteError::NoSuchFolder:
            printOemOn(console, console.err, texts::kNoSuchFolder);
            break;
        case FileWriteError::AccessDenied:
            printOemOn(console, console.err, texts::kAccessDenied);
            break;
        case FileWriteError::WriteProtected:
            printOemOn(console, console.err, texts::kWriteProtected);
            break;
        case FileWriteError::NoSpace: printOemOn(console, console.err, texts::kNoSpace); break;
        case FileWriteError::NameTooLong:
            printOemOn(console, console.err, texts::kNameTooLong);
            break;
        case FileWriteError::ReadOnlyFileSystem:
            printOemOn(console, console.err, texts::kReadOnlyFileSystem);
            break;
        case FileWriteError::Other:
            printOemOn(console, console.err, texts::kSystemError);
            console.err << result.systemError;
            break;
        case FileWriteError::NotRegularFile:
        case FileWriteError::None: break;
    }
}

// Writes the picture of the searches made. A run that ended before its
// first search leaves the file alone; so does a target that is no regular file.
int drawPicture(Console& console, const char* path, const IteratePicture& picture, int status) {
    if (picture.searchCount == 0) {
        printError(console, texts::kSvgNotStarted);
        return status;
    }
    const FileWriteResult result = console.writeFile(path, renderSvg(picture));
    if (result.written()) {
        return status;
    }
    console.out.flush();
    if (result.error == FileWriteError::NotRegularFile) {
        printOemOn(console, console.err, texts::kSvgNotRegularFile);
        printEscaped(console.err, path);
        console.err << std::endl;
    } else {
        printOemOn(console, console.err, texts::kSvgNotWritten);
        printEscaped(console.err, path);
        printWriteFailure(console, result);
        console.err << std::endl;
    }
    return kExitError;
}

}  // namespace

int checkOutputWritten(Console& console, int status) {
    console.out.flush();
    if (console.out) {
        return status;
    }
    printError(console, texts::kOutputNotWritten);
    return kExitError;
}

int runDialogue(Console& console, const DialogueOptions& options) {
    IteratePicture picture;
    const bool drawing = options.svgPath != nullptr;
    int status = readAndSolve(console, options, drawing ? &picture : nullptr);
    if (drawing) {
        status = drawPicture(console, options.svgPath, picture, status);
    }
    return finish(console, status);
}

}  // namespace secant
