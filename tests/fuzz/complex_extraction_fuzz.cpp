// Fuzzes the Complex extraction with arbitrary bytes and checks its contract:
// on failure the target keeps its value; on success the characters consumed,
// read again on their own, give the same bits; nothing beyond the input is read.
// A single number reads as the library's float extraction reads it: the same
// bits, stream state and position.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>

#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/complex.hpp"

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

// The library's float extraction, with a number beyond binary32 as an
// infinity of its sign, as readSingle promises.
void libraryReadSingle(std::istream& in, float& value) {
    float read = 0.0F;
    in >> read;
    constexpr float kMax = std::numeric_limits<float>::max();
    if (in.fail() && !in.bad() && (read == kMax || read == -kMax)) {
        in.clear(in.rdstate() & ~std::ios_base::failbit);
        read = read > 0 ? std::numeric_limits<float>::infinity()
                        : -std::numeric_limits<float>::infinity();
    }
    if (!in.fail()) {
        value = read;
    }
}

void checkSingle(const std::string& text) {
    std::istringstream in(text);
    std::istringstream reference(text);
    float value = kSentinel.re;
    float expected = kSentinel.re;
    secant::readSingle(in, value);
    libraryReadSingle(reference, expected);
    require(std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(expected));
    require(in.rdstate() == reference.rdstate());
    in.clear();
    reference.clear();
    require(in.tellg() == reference.tellg());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    secant::establishNumericEnvironment();
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkSingle(text);
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
