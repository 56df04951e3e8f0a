#include "app/dialogue.hpp"

#include <array>
#include <cmath>
#include <limits>

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
    console.printOem(console.out, text.c_str());
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
    console.printOem(console.err, text.c_str());
    console.err << std::endl;
}

// An error line of the form <head><index><tail>.
template <std::size_t N, std::size_t M>
void printError(Console& console, const Cp1251Text<N>& head, int index, const Cp1251Text<M>& tail) {
    console.out.flush();
    console.printOem(console.err, head.c_str());
    console.err << index;
    console.printOem(console.err, tail.c_str());
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
    int found = 0;              // roots 1 to found are good
    ArithmeticFlags failure{};  // raised while seeking root found + 1
};

// Finds every root, stopping at the first search or deflation that meets an
// exceptional condition; the flags are cleared before each search.
Roots findRoots() {
    Roots roots;
    CoefficientTable& table = coefficientTable;
    for (int k = 1; table.count > 1; ++k) {
        clearArithmeticFlags();
        const SecantResult result = findRootSecant();
        roots.failure = raisedArithmeticFlags();
        if (roots.failure.any()) {
            return roots;
        }
        roots.values[k] = result.root;
        roots.converged[k] = result.converged;
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

int runDialogue(Console& console) {
    CoefficientTable& table = coefficientTable;

    printOemLine(console, kBanner);
    printOem(console, kOrderPrompt);
    switch (readOrder(console.in, table.count)) {
        case OrderStatus::Ended:
            printError(console, kInputEndedBeforeOrder);
            return finish(console, kExitError);
        case OrderStatus::NotInteger:
            printError(console, kOrderNotInteger);
            return finish(console, kExitError);
        case OrderStatus::TooLarge:
            printError(console, kOrderTooLarge);
            return finish(console, kExitError);
        case OrderStatus::Read: break;
    }
    table.count = table.count + 1;
    printOemLine(console, kCoefficientsPrompt);
    printOemLine(console, kCoefficientsOrder);
    console.out << kCoefficientsPrefix;
    if (!readCoefficients(console)) {
        return finish(console, kExitError);
    }

    const Roots roots = findRoots();
    listRoots(console, roots);
    if (roots.failure.any()) {
        reportArithmetic(console, roots.failure, roots.found + 1);
        return finish(console, kExitError);
    }
    return finish(console, kExitOk);
}

}  // namespace secant
