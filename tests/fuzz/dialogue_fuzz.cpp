// Fuzzes the whole dialogue with arbitrary standard input and a fake key
// source: every run ends, with status 0 or 1, and waits for exactly one key.
// The sanitizers catch any access outside the tables.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/dialogue.hpp"
#include "platform/cp1251.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/polynomial.hpp"

namespace {

int keyWaits = 0;

int fakeKey() {
    ++keyWaits;
    return 'q';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    secant::establishNumericEnvironment();
    secant::coefficientTable = secant::CoefficientTable{};
    keyWaits = 0;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    std::ostringstream err;
    secant::Console console{in, out, err, &secant::printUtf8, &fakeKey, nullptr};
    const int status = secant::runDialogue(console);
    if ((status != 0 && status != 1) || keyWaits != 1 ||
        secant::coefficientTable.count > secant::kMaxCoefficients) {
        std::abort();
    }
    return 0;
}
