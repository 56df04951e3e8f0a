#include "app/dialogue.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "app/refined.hpp"
#include "app/report.hpp"
#include "app/shown_number.hpp"
#include "app/svg.hpp"
#include "app/texts.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/bounds/decimal.hpp"
#include "solver/bounds/inclusion.hpp"
#include "solver/polynomial.hpp"
#include "solver/recovery.hpp"

namespace secant {

namespace {

constexpr int kMaxOrder = kMaxCoefficients - 1;
constexpr int kExitOk = 0;
constexpr int kExitError = 1;

bool endsToken(int next) {
    return next == std::char_traits<char>::eof() || std::isspace(next) != 0;
}

// At the end of the input, or where it cannot be read (badbit).
bool inputEnds(std::istream& in) {
    in >> std::ws;
    return in.eof() || in.bad();
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
            printError(console, texts::kInputEndedBeforeCoefficient, index);
            break;
        case CoefficientStatus::Malformed:
            printError(console, texts::kCoefficientMalformed, index);
            break;
        case CoefficientStatus::DecimalComma:
            printError(console, texts::kCoefficientDecimalComma, index);
            break;
        case CoefficientStatus::TooLarge:
            printError(console, texts::kCoefficientTooLarge, index);
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
    printLine(console, texts::kNotConverged, index, kSecantMaxIterations,
              texts::agreed(texts::Counted::Iterations, kSecantMaxIterations));
}

int finish(Console& console, int status) {
    print(console, texts::kPressAnyKey);
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
    printLine(console, texts::kTracePass, root, iteration, Shown{x2.real()}, Shown{x2.imag()},
              Shown{modulus});
}

// The heading of a search from other start points in the trace.
void printTraceAttempt(Console& console, int root, int attempt, Complex start0, Complex start1,
                       int scale, int variableScale) {
    print(console, texts::kTraceAttempt, root, attempt, Shown{start0.real()}, Shown{start0.imag()},
          Shown{start1.real()}, Shown{start1.imag()});
    if (scale != 0) {
        print(console, texts::kTraceScaled, scale);
    }
    if (variableScale != 0) {
        print(console, texts::kTraceVariableScaled, -variableScale);
    }
    console.out << std::endl;
}

// Runs between an iteration and its stop test.
void onIteration(void* context, int iteration, Complex x2, double modulus) {
    auto& watch = *static_cast<Watch*>(context);
    if (watch.trace) {
        printTraceLine(*watch.console, watch.root, iteration, x2, modulus);
    }
    if (watch.picture != nullptr) {
        watch.picture->searches[watch.root].points.push_back(x2);
        watch.picture->searches[watch.root].iterations = iteration;
    }
}

// Before each search from other start points: its heading in the trace
// (with the scale of its f, whose modulus its iterations' lines show, and of
// the variable it searches in, whose points they show in x), and a new
// path in the picture, the one before it abandoned.
void onAttempt(void* context, int attempt, Complex start0, Complex start1, int scale,
               int variableScale) {
    auto& watch = *static_cast<Watch*>(context);
    if (watch.trace) {
        printTraceAttempt(*watch.console, watch.root, attempt, start0, start1, scale,
                          variableScale);
    }
    if (watch.picture != nullptr) {
        SearchPath& path = watch.picture->searches[watch.root];
        path.abandoned.push_back(std::move(path.points));
        path.points = {start0, start1};
        path.iterations = 0;
    }
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

// The condition as the messages name it: "переполнение" and so on.
Text conditionText(ArithmeticFlags flags) {
    if (flags.overflow) {
        return texts::kOverflow;
    }
    if (flags.divisionByZero) {
        return texts::kDivisionByZero;
    }
    return texts::kInvalidOperation;
}

// Why root k was not the standard search's, and how it was found instead.
void printRecovered(Console& console, int k, const RootSearch& search) {
    const Text warning = search.origin != RootOrigin::OtherStart ? Text(texts::kTakenAtPoint)
                         : search.atRoundingFloor ? Text(texts::kFoundFromOtherStartsAtFloor)
                                                  : Text(texts::kFoundFromOtherStarts);
    printLine(console, warning, k, conditionText(search.condition));
}

// Header, listing, and a warning for each root found at the pass limit or
// not by the standard search.
void listRoots(Console& console, const FoundRoots& roots) {
    printLine(console, texts::kRootsHeader);
    for (int k = 1; k <= roots.count; ++k) {
        const Complex root = roots.searches[k].result.root;
        printRootLine(console, k, {bounds::printedPart(root.re), bounds::printedPart(root.im)});
    }
    for (int k = 1; k <= roots.count; ++k) {
        const RootSearch& search = roots.searches[k];
        if (search.origin != RootOrigin::StandardSearch) {
            printRecovered(console, k, search);
        } else if (!search.result.converged) {
            printNotConverged(console, k);
        }
    }
}

// Where the listing holds a root that the search from (0, 0) and (1, 1) did
// not give within its tolerance (it reached the pass limit, or the root was
// found otherwise), the later roots may belong to a damaged polynomial, or
// single precision could not say more: the refined roots answer.
bool listingNeedsRefinement(const FoundRoots& roots) {
    for (int k = 1; k <= roots.count; ++k) {
        const RootSearch& search = roots.searches[k];
        if (search.origin != RootOrigin::StandardSearch || !search.result.converged) {
            return true;
        }
    }
    return false;
}

// The listed roots not shown within the tolerance of a root of the equation.
void printMisses(Console& console, const std::array<bool, kMaxCoefficients>& missing) {
    RootNames names;
    for (int k = 1; k < kMaxCoefficients; ++k) {
        if (missing[static_cast<std::size_t>(k)]) {
            names.roots |= 1U << static_cast<unsigned>(k);
        }
    }
    printLine(console, texts::kListingMisses, names);
}

// The section of the refined roots, after the listing's warnings.
void printRefined(Console& console, const RefinedListing& listing) {
    printLine(console, texts::kRefinedHeader);
    for (int k = 1; k <= listing.count; ++k) {
        const PrintedRoot& root = listing.printed[k];
        const int multiplicity = listing.disks[k].multiplicity;
        if (multiplicity > 1) {
            printLine(console, texts::kRefinedMultipleRoot, k, root.re, root.im, multiplicity);
        } else {
            printLine(console, texts::kRefinedRoot, k, root.re, root.im);
        }
    }
    if (!listing.refined.converged) {
        const int steps = listing.refined.iterations;
        printLine(console, texts::kRefinementNotConverged, steps,
                  texts::agreed(texts::Counted::Iterations, steps));
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
        // Cut before a character that is not there whole (UTF-8), not inside
        // it. (In a console's code page of one byte a character, that may
        // leave out up to three more bytes: still no part of a character.)
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
    printError(console, texts::kLeftOnLine, lastIndex, Escaped{left});
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
    printError(console, texts::kUnknownOption, Escaped{command.offending});
}

void printUsage(Console& console, std::ostream& out) {
    printTo(console, out, texts::kUsage);
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
    // The refined roots are printed where the listing needs them, or where
    // some listed root is not shown within the tolerance of a root.
    const bool complete = roots.count == asRead.count - 1 && roots.count > 0;
    bool refine = options.refine || listingNeedsRefinement(roots);
    const RefinedListing refined =
        refine || complete ? refineListing(asRead, listed, roots.count) : RefinedListing{};
    const std::array<bool, kMaxCoefficients> missing =
        complete ? listedRootsMissing(refined, listed, roots.count)
                 : std::array<bool, kMaxCoefficients>{};
    const bool misses = std::find(missing.begin(), missing.end(), true) != missing.end();
    refine = refine || misses;
    if (misses) {
        printMisses(console, missing);
    }
    if (refine) {
        printRefined(console, refined);
    }
    const bool disks = options.report || picture != nullptr;
    const RootDisks inclusion = disks ? includeRoots(asRead, listed, roots.count) : RootDisks{};
    if (options.report) {
        printReport(console, roots, asRead, inclusion);
        if (refine) {
            printRefinedReport(console, refined);
        }
    }
    if (picture != nullptr) {
        picture->roots = listed;
        picture->rootCount = roots.count;
        picture->disks = inclusion;
        if (refine) {
            picture->refined = refined.disks;
            picture->refinedCount = refined.count;
        }
    }
    if (roots.failure.any()) {
        printError(console, texts::kRootError, roots.count + 1, conditionText(roots.failure));
        return kExitError;
    }
    return kExitOk;
}

int readAndSolve(Console& console, const DialogueOptions& options, IteratePicture* picture) {
    CoefficientTable& table = coefficientTable;

    printLine(console, texts::kBanner);
    print(console, texts::kOrderPrompt);
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
    printLine(console, texts::kCoefficientsPrompt);
    printLine(console, texts::kCoefficientsOrder);
    console.out << texts::kCoefficientsPrefix;
    if (!readCoefficients(console)) {
        return kExitError;
    }
    return solve(console, options, picture);
}

// Why the picture could not be written: the common causes in words, the
// others by the system's error code.
void printWriteFailure(Console& console, const char* path, FileWriteResult result) {
    const auto inWords = [&](Text reason) {
        printError(console, texts::kSvgNotWritten, Escaped{path}, reason);
    };
    switch (result.error) {
        case FileWriteError::NoSuchFolder: inWords(texts::kNoSuchFolder); return;
        case FileWriteError::AccessDenied: inWords(texts::kAccessDenied); return;
        case FileWriteError::WriteProtected: inWords(texts::kWriteProtected); return;
        case FileWriteError::NoSpace: inWords(texts::kNoSpace); return;
        case FileWriteError::NameTooLong: inWords(texts::kNameTooLong); return;
        case FileWriteError::ReadOnlyFileSystem: inWords(texts::kReadOnlyFileSystem); return;
        case FileWriteError::NotRegularFile:
            printError(console, texts::kSvgNotRegularFile, Escaped{path});
            return;
        case FileWriteError::Other:
        case FileWriteError::None: break;
    }
    printError(console, texts::kSvgNotWrittenSystemError, Escaped{path}, result.systemError);
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
    printWriteFailure(console, path, result);
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
