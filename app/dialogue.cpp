#include "app/dialogue.hpp"

#include <array>
#include <cmath>
#include <complex>
#include <limits>

#include "app/shown_number.hpp"
#include "app/svg.hpp"
#include "app/texts.hpp"
#include "solver/numeric_environment.hpp"
#include "solver/polynomial.hpp"

namespace secant {

namespace {

// Roots are stored from index 1 on; entry 0 is never used.
using RootList = std::array<Complex, kMaxCoefficients>;

constexpr int kMaxOrder = kMaxCoefficients - 1;
constexpr int kExitOk = 0;
constexpr int kExitError = 1;

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

bool inputEnds(std::istream& in) {
    in >> std::ws;
    return in.eof();
}

enum class OrderStatus { Read, Ended, NotInteger, TooLarge };

OrderStatus readOrder(std::istream& in, std::int32_t& order) {
    if (inputEnds(in)) {
        return OrderStatus::Ended;
    }
    in >> order;
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

enum class CoefficientStatus { Read, Ended, Malformed, DecimalComma, TooLarge };

CoefficientStatus readCoefficient(std::istream& in, Complex& coefficient) {
    if (inputEnds(in)) {
        return CoefficientStatus::Ended;
    }
    const bool bare = in.peek() != '(';
    in >> coefficient;
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
            printError(console, kInputEndedBeforeCoefficient, index, kNotGiven);
            break;
        case CoefficientStatus::Malformed:
            printError(console, kCoefficientError, index, kMalformed);
            break;
        case CoefficientStatus::DecimalComma:
            printError(console, kCoefficientError, index, kDecimalComma);
            break;
        case CoefficientStatus::TooLarge:
            printError(console, kCoefficientError, index, kTooLarge);
            break;
        case CoefficientStatus::Read: break;
    }
}

void reportArithmetic(Console& console, ArithmeticFlags flags, int index) {
    if (flags.overflow) {
        printError(console, kRootError, index, kOverflow);
    } else if (flags.divisionByZero) {
        printError(console, kRootError, index, kDivisionByZero);
    } else {
        printError(console, kRootError, index, kInvalidOperation);
    }
}

bool isZero(Complex z) {
    return z.re == 0.0F && z.im == 0.0F;
}

void printListingLine(Console& console, int index, Complex root) {
    console.out << "x" << index << "=" << root.real() << " " << root.imag() << "i" << std::endl;
}

void printNotConverged(Console& console, int index) {
    printOem(console, kNotConverged);
    console.out << index;
    printOem(console, kNotConvergedWithin);
    console.out << kSecantMaxIterations;
    printOemLine(console, kIterations);
}

int finish(Console& console, int status) {
    printOem(console, kPressAnyKey);
    console.out.flush();
    console.waitForKey();
    return status;
}

struct Roots {
    RootList values{};
    std::array<bool, kMaxCoefficients> converged{};
    std::array<int, kMaxCoefficients> passes{};
    int found = 0;              // roots 1 to found are good
    ArithmeticFlags failure{};  // raised while seeking root found + 1
};

// What watches the searches for --trace and --svg.
struct Watch {
    Console* console = nullptr;
    bool trace = false;
    IteratePicture* picture = nullptr;
    int root = 0;
};

void printTraceLine(Console& console, int root, int pass, Complex x2, Extended modulus) {
    printOem(console, kTraceRoot);
    console.out << root;
    printOem(console, kTracePass);
    console.out << pass << ": x=" << Shown{x2.real()} << " " << Shown{x2.imag()}
                << "i |f(x)|=" << Shown{toDouble(modulus)} << std::endl;
}

// Runs between a pass and its stop test. Whatever the output does to the
// exception flags is undone, so the search's own flags stay as they were.
// (Not with fesetexceptflag: mingw-w64's clears the SSE exception masks, and
// the next inexact operation then ends the program.)
void onPass(void* context, int pass, Complex x2, Extended modulus) {
    const ArithmeticFlags flags = raisedArithmeticFlags();
    auto& watch = *static_cast<Watch*>(context);
    if (watch.trace) {
        printTraceLine(*watch.console, watch.root, pass, x2, modulus);
    }
    if (watch.picture != nullptr) {
        watch.picture->searches[watch.root].points.push_back(x2);
        watch.picture->searches[watch.root].passes = pass;
    }
    restoreArithmeticFlags(flags);
}

// Finds every root, stopping at the first search or deflation that meets an
// exceptional condition; the flags are cleared before each search.
Roots findRoots(Watch* watch) {
    Roots roots;
    CoefficientTable& table = coefficientTable;
    const SecantObserver observer{&onPass, watch};
    for (int k = 1; table.count > 1; ++k) {
        if (watch != nullptr) {
            watch->root = k;
            if (watch->picture != nullptr) {
                watch->picture->searchCount = k;
                watch->picture->searches[k].points = {kSecantStart0, kSecantStart1};
            }
        }
        clearArithmeticFlags();
        const SecantResult result = findRootSecant(watch != nullptr ? &observer : nullptr);
        roots.failure = raisedArithmeticFlags();
        if (roots.failure.any()) {
            return roots;
        }
        roots.values[k] = result.root;
        roots.converged[k] = result.converged;
        roots.passes[k] = result.passes;
        deflate(roots.values[k]);
        roots.failure = raisedArithmeticFlags();
        if (roots.failure.any()) {
            return roots;
        }
        roots.found = k;
    }
    return roots;
}

// Header, listing, and a warning for each root found at the pass limit.
void listRoots(Console& console, const Roots& roots) {
    printOemLine(console, kRootsHeader);
    for (int k = 1; k <= roots.found; ++k) {
        printListingLine(console, k, roots.values[k]);
    }
    for (int k = 1; k <= roots.found; ++k) {
        if (!roots.converged[k]) {
            printNotConverged(console, k);
        }
    }
}

// |P(x)| at double precision with the coefficients as they were read.
double residual(const CoefficientTable& asRead, Complex x) {
    using Wide = std::complex<double>;
    const Wide at(x.real(), x.imag());
    Wide acc(asRead.coefficients[0].real(), asRead.coefficients[0].imag());
    for (int i = 1; i < asRead.count; ++i) {
        const Complex c = asRead.coefficients[static_cast<std::size_t>(i)];
        acc = Wide(c.real(), c.imag()) + at * acc;
    }
    return std::abs(acc);
}

void printReport(Console& console, const Roots& roots, const CoefficientTable& asRead) {
    for (int k = 1; k <= roots.found; ++k) {
        console.out << "x" << k;
        printOem(console, kReportPasses);
        console.out << roots.passes[k];
        console.printOem(console.out, roots.converged[k] ? kReportConverged.zeroTerminated()
                                                         : kReportNotConverged.zeroTerminated());
        console.out << ", |P(x" << k << ")|=" << Shown{residual(asRead, roots.values[k])}
                    << std::endl;
    }
}

// Step 9 and its checks: reads entries 0 to count - 1, stopping at the first
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
    if (table.count > 1 && isZero(table.coefficients[0])) {
        printError(console, kLeadingZero);
        return false;
    }
    return true;
}

}  // namespace

void printOptionError(Console& console, const Command& command) {
    if (command.kind == CommandKind::MissingFile) {
        printError(console, kMissingFile);
        return;
    }
    console.out.flush();
    console.printOem(console.err, kUnknownOption.zeroTerminated());
    console.err << command.offending << std::endl;
}

void printUsage(Console& console, std::ostream& out) {
    for (const char* line : {kUsage.zeroTerminated(), kUsageReport.zeroTerminated(),
                             kUsageTrace.zeroTerminated(), kUsageSvg.zeroTerminated(),
                             kUsageVersion.zeroTerminated(), kUsageHelp.zeroTerminated()}) {
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
    const Roots roots = findRoots(watched ? &watch : nullptr);
    listRoots(console, roots);
    if (options.report) {
        printReport(console, roots, asRead);
    }
    if (picture != nullptr) {
        picture->roots = roots.values;
        picture->rootCount = roots.found;
    }
    if (roots.failure.any()) {
        reportArithmetic(console, roots.failure, roots.found + 1);
        return kExitError;
    }
    return kExitOk;
}

int readAndSolve(Console& console, const DialogueOptions& options, IteratePicture* picture) {
    CoefficientTable& table = coefficientTable;

    printOemLine(console, kBanner);
    printOem(console, kOrderPrompt);
    // The order is read aside, so that a refused one never reaches the table.
    std::int32_t order = 0;
    switch (readOrder(console.in, order)) {
        case OrderStatus::Ended: printError(console, kInputEndedBeforeOrder); return kExitError;
        case OrderStatus::NotInteger: printError(console, kOrderNotInteger); return kExitError;
        case OrderStatus::TooLarge: printError(console, kOrderTooLarge); return kExitError;
        case OrderStatus::Read: break;
    }
    table.count = order + 1;
    printOemLine(console, kCoefficientsPrompt);
    printOemLine(console, kCoefficientsOrder);
    console.out << kCoefficientsPrefix;
    if (!readCoefficients(console)) {
        return kExitError;
    }
    return solve(console, options, picture);
}

}  // namespace

int runDialogue(Console& console, const DialogueOptions& options) {
    IteratePicture picture;
    const bool drawing = options.svgPath != nullptr;
    int status = readAndSolve(console, options, drawing ? &picture : nullptr);
    if (drawing && !writeFileWhole(options.svgPath, renderSvg(picture))) {
        console.out.flush();
        console.printOem(console.err, kSvgNotWritten.zeroTerminated());
        console.err << options.svgPath << std::endl;
        status = kExitError;
    }
    return finish(console, status);
}

}  // namespace secant
