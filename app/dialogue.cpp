#include "app/dialogue.hpp"

#include <array>

#include "app/texts.hpp"
#include "solver/polynomial.hpp"

namespace secant {

namespace {

// Roots are stored from index 1 on; entry 0 is never used.
using RootList = std::array<Complex, kMaxCoefficients>;

constexpr int kMaxOrder = kMaxCoefficients - 1;

template <std::size_t N>
void printOem(Console& console, const Cp1251Text<N>& text) {
    console.printOem(console.out, text.c_str());
}

template <std::size_t N>
void printOemLine(Console& console, const Cp1251Text<N>& text) {
    printOem(console, text);
    console.out << std::endl;
}

// Error lines go to standard error after everything written so far.
template <std::size_t N>
void printError(Console& console, const Cp1251Text<N>& text) {
    console.out.flush();
    console.printOem(console.err, text.c_str());
    console.err << std::endl;
}

void printListingLine(Console& console, int index, Complex root) {
    console.out << "x" << index << "=" << root.real() << " " << root.imag() << "i" << std::endl;
}

int finish(Console& console, int status) {
    printOem(console, kPressAnyKey);
    console.out.flush();
    console.waitForKey();
    return status;
}

}  // namespace

int runDialogue(Console& console) {
    RootList roots{};
    CoefficientTable& table = coefficientTable;

    printOemLine(console, kBanner);
    printOem(console, kOrderPrompt);
    console.in >> table.count;
    if (table.count > kMaxOrder) {
        // Larger orders overrun the tables; an int too large reads as INT_MAX.
        printError(console, kOrderTooLarge);
        return finish(console, 1);
    }
    table.count = table.count + 1;
    printOemLine(console, kCoefficientsPrompt);
    printOemLine(console, kCoefficientsOrder);
    console.out << kCoefficientsPrefix;
    for (int i = 0; i < table.count; ++i) {
        console.in >> table.coefficients[i];
    }
    console.out << std::endl;

    const int listedCount = table.count;
    for (int k = 1; table.count > 1; ++k) {
        roots[k] = findRootSecant().root;
        deflate(roots[k]);
    }

    printOemLine(console, kRootsHeader);
    for (int k = 1; k < listedCount; ++k) {
        printListingLine(console, k, roots[k]);
    }
    return finish(console, 0);
}

}  // namespace secant
