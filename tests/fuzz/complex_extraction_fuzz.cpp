// Fuzzes the Complex extraction with arbitrary bytes and checks its contract:
// on failure the target keeps its value; on success the characters consumed,
// read again on their own, give the same bits; nothing beyond the input is read.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "solver/complex.hpp"
#include "solver/numeric_environment.hpp"

namespace {

constexpr secant::Complex kSentinel(-123.5F, 77.25F);

bool sameBits(secant::Complex a, secant::Complex b) {
    return std::bit_cast<std::uint32_t>(a.re) == std::bit_cast<std::uint32_t>(b.re) &&
           std::bit_cast<std::uint32_t>(a.im) == std::bit_cast<std::uint32_t>(b.im);
}

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    secant::establishNumericEnvironment();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    secant::Complex z = kSentinel;
    in >> z;
    const bool failed = in.fail();
    require(!in.bad());
    in.clear();
    const auto position = in.tellg();
    const std::size_t consumed = position < 0 ? size : static_cast<std::size_t>(position);
    require(consumed <= size);
    if (failed) {
        require(sameBits(z, kSentinel));
        return 0;
    }
    // The consumed characters alone give the same value.
    std::istringstream again(text.substr(0, consumed));
    secant::Complex w = kSentinel;
    again >> w;
    require(!again.fail());
    require(sameBits(z, w));
    return 0;
}
