// The software extended arithmetic against the x87 unit, operation by
// operation and through whole complex operations: identical bits (for a NaN,
// a NaN on both sides) and identical invalid, division-by-zero and overflow
// flags for every operand set.
//
// The operand sets are drawn from a seeded generator, so a run is
// reproducible; SECANT_DIFFERENTIAL_SETS sets the number of sets per
// operation (SECANT_DIFFERENTIAL_SEED the seed). The generator aims at the
// hard cases: ties left by the 64-bit rounding that the rounding to 24 or 53
// bits must then break, cancellation, subnormal results, the overflow
// boundaries at 2^128 (and at 2^64 for a squared part), signed zeros,
// infinities and NaNs, quiet and signalling.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "solver/complex_formulas.hpp"
#include "solver/extended.hpp"
#include "solver/numeric_environment.hpp"

namespace secant::testing {
namespace {

using Hw = X87Arithmetic;
using Sw = SoftArithmetic;

// SplitMix64: small, fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15U);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9U;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBU;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};

float fromBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

constexpr std::array<std::uint32_t, 20> kSpecialFloats = {
    0x00000000U, 0x80000000U,                            // signed zeros
    0x7F800000U, 0xFF800000U,                            // infinities
    0x7FC00000U, 0xFFC00000U, 0x7FC00001U, 0xFFE12345U,  // quiet NaNs
    0x7F800001U, 0xFFA00000U, 0x7FBFFFFFU,               // signalling NaNs
    0x7F7FFFFFU, 0xFF7FFFFFU,                            // largest finite
    0x00800000U, 0x80800000U,                            // smallest normal
    0x00000001U, 0x80000001U,                            // smallest subnormal
    0x007FFFFFU,                                         // largest subnormal
    0x3F800000U, 0xBF800000U,                            // +-1
};

// A significand of 24 bits (hidden bit included) with a pattern that makes
// exact ties and long carries likely.
std::uint32_t patternedSignificand(Random& random) {
    switch (random.below(6)) {
        case 0: return 0x800000U;                             // a power of two
        case 1: return 0xFFFFFFU;                             // all ones
        case 2: return 0x800000U | (1U << random.below(23));  // two bits
        case 3: return 0x800000U | random.between(0, 7);      // just above a power
        case 4: return 0xFFFFFFU - static_cast<std::uint32_t>(random.between(0, 7));  // just below
        default: return 0x800000U | static_cast<std::uint32_t>(random.next() & 0x7FFFFFU);
    }
}

// A finite float of magnitude in [2^exponent, 2^(exponent + 1)), or the
// subnormal or infinity that the exponent calls for.
float floatWithExponent(Random& random, int exponent) {
    const std::uint32_t sign = random.chance(50) ? 0x80000000U : 0U;
    const std::uint32_t significand = patternedSignificand(random);
    if (exponent > 127) {
        return fromBits(sign | 0x7F7FFFFFU);
    }
    if (exponent >= -126) {
        return fromBits(sign | (static_cast<std::uint32_t>(exponent + 127) << 23) |
                        (significand & 0x7FFFFFU));
    }
    const int shift = -126 - exponent;
    return fromBits(sign | (shift >= 24 ? 1U : significand >> shift));
}

float anyFloatOrSignalling(Random& random) {
    const int kind = random.below(20);
    if (kind < 3) {
        return fromBits(static_cast<std::uint32_t>(random.next()));  // any class at all
    }
    if (kind < 5) {
        return fromBits(
            kSpecialFloats[static_cast<std::size_t>(random.below(kSpecialFloats.size()))]);
    }
    if (kind < 7) {
        return floatWithExponent(random, random.between(-149, -126));
    }
    if (kind < 10) {
        return floatWithExponent(random, random.between(-8, 8));
    }
    return floatWithExponent(random, random.between(-149, 127));
}

// Signalling NaNs never reach the formulas: the coefficients come from
// decimal text, and every other float from a rounding, which gives quiet
// NaNs. What the x87 unit makes of one also depends on the compiler (a float
// that is loaded first is quieted, one used as a memory operand of the
// multiplication is not), so only the conversion itself is compared for them.
float quieted(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool signalling =
        (bits & 0x7F800000U) == 0x7F800000U && (bits & 0x7FFFFFU) != 0 && (bits & 0x400000U) == 0;
    return signalling ? fromBits(bits | 0x400000U) : value;
}

float anyFloat(Random& random) {
    return quieted(anyFloatOrSignalling(random));
}

int exponentOf(float value) {
    const int biased = static_cast<int>((std::bit_cast<std::uint32_t>(value) >> 23) & 0xFFU);
    return biased == 0 ? -127 : biased - 127;
}

// A float a few units in the last place from value (same sign).
float nearby(Random& random, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const int step = random.between(-3, 3);
    return quieted(fromBits(static_cast<std::uint32_t>(static_cast<std::int64_t>(bits) + step)));
}

// A second factor for `first` so that the product lands near a place that
// matters: the binary32 overflow and underflow boundaries, 2^64, or anywhere.
float partner(Random& random, float first) {
    constexpr std::array<int, 8> kTargets = {127, 128, -126, -149, -150, 63, 64, 0};
    if (random.chance(40)) {
        return anyFloat(random);
    }
    const int target =
        kTargets[static_cast<std::size_t>(random.below(kTargets.size()))] + random.between(-1, 1);
    return floatWithExponent(random, target - exponentOf(first));
}

// What one run of an operation gave: the result's bits and the flags raised.
// Every NaN is encoded as one quiet NaN of its format, so that of a NaN only
// its being one is compared, not its sign or payload: no output shows them
// (every NaN prints as "nan" and a picture leaves NaN points out), and which
// of two NaN operands an x87 operation keeps depends on whether the compiler
// did it in the x87 unit or, for a sum or product of two floats rounded
// straight back to float, in single precision.
struct Outcome {
    std::uint64_t first = 0;
    std::uint64_t second = 0;
    unsigned flags = 0;
    bool operator==(const Outcome&) const = default;
};

std::string describe(const Outcome& outcome) {
    std::ostringstream text;
    text << std::hex << outcome.first << ' ' << outcome.second << " flags " << outcome.flags;
    return text.str();
}

unsigned hardwareFlags() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    return ((raised & FE_INVALID) != 0 ? soft::kInvalid : 0U) |
           ((raised & FE_DIVBYZERO) != 0 ? soft::kDivisionByZero : 0U) |
           ((raised & FE_OVERFLOW) != 0 ? soft::kOverflow : 0U);
}

// The canonical NaN of the x87 register format.
constexpr Outcome kExtendedNaN{0xC000000000000000U, 0x7FFF, 0};

Outcome encode(long double value) {
    std::array<unsigned char, sizeof(long double)> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value);
    Outcome outcome;
    std::memcpy(&outcome.first, bytes.data(), 8);
    std::uint16_t signAndExponent = 0;
    std::memcpy(&signAndExponent, bytes.data() + 8, 2);
    outcome.second = signAndExponent;
    const bool nan = (signAndExponent & 0x7FFFU) == 0x7FFF && outcome.first != 0x8000000000000000U;
    return nan ? kExtendedNaN : outcome;
}

// The x87 register encoding of a software value.
Outcome encode(soft::Unpacked value) {
    if (soft::isNaN(value)) {
        return kExtendedNaN;
    }
    Outcome outcome;
    outcome.first = value.significand;
    std::uint64_t exponent = 0;
    if (soft::isSpecial(value)) {
        exponent = 0x7FFF;
    } else if (!soft::isZero(value)) {
        exponent = static_cast<std::uint64_t>(value.exponent + 16383);
    }
    outcome.second = exponent | (value.negative ? 0x8000U : 0U);
    return outcome;
}

// Taking the value apart rounds it to 64 bits, raising what that raises.
Outcome encode(SoftExtended value) {
    return encode(soft::unpack(value));
}

// Bit tests, not comparisons: those could raise a flag before it is read.
std::uint32_t bitsOf(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & 0x7FFFFFFFU) > 0x7F800000U ? 0x7FC00000U : bits;
}

Outcome encode(float value) {
    return Outcome{bitsOf(value), 0, 0};
}
Outcome encode(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return Outcome{(bits << 1) > 0xFFE0000000000000U ? 0x7FF8000000000000U : bits, 0, 0};
}
Outcome encode(Complex value) {
    return Outcome{bitsOf(value.re), bitsOf(value.im), 0};
}

// Makes the compiler forget what it knows of value, so that no computation
// is moved across the point where it is called.
template <class T>
void fence(T& value) {
    __asm__ __volatile__("" : "+m"(value) : : "memory");
}

// Runs a computation with clean flags: the operands are read after the flags
// are cleared, and the result is complete before they are read.
template <class Operands, class Compute>
Outcome onHardware(const Operands& operands, Compute compute) {
    Operands in = operands;
    std::feclearexcept(FE_ALL_EXCEPT);
    fence(in);
    Outcome outcome = compute(in);
    fence(outcome);
    outcome.flags = hardwareFlags();
    return outcome;
}

template <class Operands, class Compute>
Outcome onSoftware(const Operands& operands, Compute compute) {
    soft::setRaisedFlags(0U);
    Outcome outcome = compute(operands);
    outcome.flags = soft::raisedFlags();
    return outcome;
}

// One operation under test: draws operands, runs both sides, and describes
// the operands when the outcomes differ.
struct Trial {
    Outcome hardware;
    Outcome software;
    std::string operands;
};

std::string floats(std::initializer_list<float> values) {
    std::ostringstream text;
    text << std::hex;
    for (const float v : values) {
        text << "0x" << std::bit_cast<std::uint32_t>(v) << ' ';
    }
    return text.str();
}

// Two extended operands of a sum, each a float or an exact product of two,
// related so that the sum is hard to round.
struct SumOperands {
    std::array<float, 4> f{};
    bool xIsProduct = false;
    bool yIsProduct = false;
    bool subtract = false;
};

SumOperands drawSum(Random& random) {
    SumOperands s;
    s.f[0] = anyFloat(random);
    s.f[1] = random.chance(50) ? partner(random, s.f[0]) : anyFloat(random);
    s.xIsProduct = random.chance(70);
    s.yIsProduct = random.chance(70);
    s.subtract = random.chance(50);
    const int xExponent = exponentOf(s.f[0]) + (s.xIsProduct ? exponentOf(s.f[1]) : 0);
    switch (random.below(4)) {
        case 0:  // anything at all
            s.f[2] = anyFloat(random);
            s.f[3] = anyFloat(random);
            break;
        case 1:  // cancellation: y within a few units of x
            s.f[2] = nearby(random, s.f[0]);
            s.f[3] = nearby(random, s.f[1]);
            s.yIsProduct = s.xIsProduct;
            break;
        case 2: {  // y near half a unit of x at 24, 53 or 64 bits: ties for the second rounding
            constexpr std::array<int, 3> kPlaces = {24, 53, 64};
            const int place = kPlaces[static_cast<std::size_t>(random.below(3))];
            s.f[2] = floatWithExponent(random, xExponent - place + random.between(-1, 1));
            s.f[3] = fromBits(0x3F800000U + static_cast<std::uint32_t>(random.between(0, 3)) -
                              (random.chance(50) ? 0U : 4U));
            s.yIsProduct = true;
            break;
        }
        default:  // y somewhere below x, within and beyond the 64-bit window
            s.f[2] = floatWithExponent(random, xExponent - random.between(0, 100));
            s.f[3] = floatWithExponent(random, random.between(-2, 2));
            break;
    }
    return s;
}

template <class A>
typename A::Value sumOf(const SumOperands& s) {
    const typename A::Value x =
        s.xIsProduct ? A::widen(s.f[0]) * A::widen(s.f[1]) : A::widen(s.f[0]);
    const typename A::Value y =
        s.yIsProduct ? A::widen(s.f[2]) * A::widen(s.f[3]) : A::widen(s.f[2]);
    return s.subtract ? x - y : x + y;
}

std::string describeSum(const SumOperands& s) {
    return floats({s.f[0], s.f[1], s.f[2], s.f[3]}) + (s.xIsProduct ? "x=f0*f1 " : "x=f0 ") +
           (s.yIsProduct ? "y=f2*f3 " : "y=f2 ") + (s.subtract ? "x-y" : "x+y");
}

Complex anyComplex(Random& random) {
    return Complex(anyFloat(random), random.chance(20) ? 0.0F : anyFloat(random));
}

// A second complex operand related to the first: the same scale, a few units
// away, a tiny or huge divisor, or anything.
Complex partnerComplex(Random& random, Complex z) {
    switch (random.below(5)) {
        case 0: return Complex(nearby(random, z.re), nearby(random, z.im));
        case 1: {
            const int e = random.between(-90, -70);
            return Complex(floatWithExponent(random, e),
                           floatWithExponent(random, e - random.between(0, 3)));
        }
        case 2: {
            const int e = random.between(60, 66);
            return Complex(floatWithExponent(random, e),
                           floatWithExponent(random, e - random.between(0, 30)));
        }
        case 3: return Complex(partner(random, z.re), partner(random, z.im));
        default: return anyComplex(random);
    }
}

struct ComplexPair {
    Complex z;
    Complex w;
};

ComplexPair drawComplexPair(Random& random) {
    ComplexPair p;
    p.z = anyComplex(random);
    p.w = partnerComplex(random, p.z);
    if (random.chance(50)) {
        std::swap(p.z, p.w);
    }
    return p;
}

std::string describePair(const ComplexPair& p) {
    return floats({p.z.re, p.z.im, p.w.re, p.w.im});
}

double anyDouble(Random& random) {
    switch (random.below(5)) {
        case 0: return std::bit_cast<double>(random.next());
        case 1: {
            constexpr std::array<std::uint64_t, 10> kSpecials = {0,
                                                                 0x8000000000000000U,
                                                                 0x7FF0000000000000U,
                                                                 0xFFF0000000000000U,
                                                                 0x7FF8000000000000U,
                                                                 0xFFF8000000000001U,
                                                                 0x7FF0000000000001U,
                                                                 0x0000000000000001U,
                                                                 0x000FFFFFFFFFFFFFU,
                                                                 0x7FEFFFFFFFFFFFFFU};
            return std::bit_cast<double>(kSpecials[static_cast<std::size_t>(random.below(10))]);
        }
        case 2: {  // a square of a 26-bit integer, or next to one
            const std::uint64_t root = (random.next() >> 38) | 1U;
            const double square = static_cast<double>(root * root);
            return std::bit_cast<double>(std::bit_cast<std::uint64_t>(square) +
                                         static_cast<std::uint64_t>(random.between(-1, 1)));
        }
        default: {  // a norm, as the modulus computes it
            const Complex z = anyComplex(random);
            return Hw::toDouble(formulas::norm<Hw>(z));
        }
    }
}

// The operations, each a drawing of operands and both computations.
using TrialFunction = std::function<Trial(Random&)>;

struct Operation {
    const char* name;
    TrialFunction trial;
};

Trial widenTrial(Random& random) {
    const float f = anyFloatOrSignalling(random);
    return {onHardware(f, [](float v) { return encode(Hw::widen(v)); }),
            onSoftware(f, [](float v) { return encode(Sw::widen(v)); }), floats({f})};
}

Trial productTrial(Random& random) {
    std::array<float, 2> f{anyFloat(random), 0.0F};
    f[1] = partner(random, f[0]);
    using Pair = std::array<float, 2>;
    return {onHardware(f, [](const Pair& v) { return encode(Hw::widen(v[0]) * Hw::widen(v[1])); }),
            onSoftware(f, [](const Pair& v) { return encode(Sw::widen(v[0]) * Sw::widen(v[1])); }),
            floats({f[0], f[1]})};
}

template <class Finish>
Trial sumTrial(Random& random, Finish finish) {
    const SumOperands s = drawSum(random);
    return {onHardware(s, [&](const SumOperands& v) { return encode(finish(sumOf<Hw>(v))); }),
            onSoftware(s, [&](const SumOperands& v) { return encode(finish(sumOf<Sw>(v))); }),
            describeSum(s)};
}

// A sum, or (as a quotient's numerator may be) a float or a product alone,
// over a float.
struct QuotientOperands {
    SumOperands numerator;
    bool bare = false;  // the numerator is x alone
    float divisor = 0.0F;
};

Trial quotientTrial(Random& random) {
    QuotientOperands q{drawSum(random), random.chance(10), 0.0F};
    q.divisor =
        random.chance(50) ? anyFloat(random) : floatWithExponent(random, random.between(-149, 127));
    const auto compute = [](const auto& arithmetic, const QuotientOperands& v) {
        using A = std::decay_t<decltype(arithmetic)>;
        const SumOperands& s = v.numerator;
        const typename A::Value numerator =
            !v.bare ? sumOf<A>(s)
                    : (s.xIsProduct ? A::widen(s.f[0]) * A::widen(s.f[1]) : A::widen(s.f[0]));
        const typename A::Value r = numerator / A::widen(v.divisor);
        Outcome o = encode(r);
        o.second |= std::uint64_t{bitsOf(A::toSingle(r))} << 32;
        return o;
    };
    return {onHardware(q, [&](const QuotientOperands& v) { return compute(Hw{}, v); }),
            onSoftware(q, [&](const QuotientOperands& v) { return compute(Sw{}, v); }),
            describeSum(q.numerator) + (q.bare ? " (x alone)" : "") + " / " + floats({q.divisor})};
}

Trial squareRootTrial(Random& random) {
    const double d = anyDouble(random);
    std::ostringstream text;
    text << std::hex << std::bit_cast<std::uint64_t>(d);
    return {onHardware(d, [](double v) { return encode(Hw::squareRoot(v)); }),
            onSoftware(d, [](double v) { return encode(Sw::squareRoot(v)); }), text.str()};
}

// The stop test's two comparisons, of a modulus or any sum against a float.
Trial comparisonTrial(Random& random) {
    struct Operands {
        SumOperands left;
        Complex modulusOf;
        bool useModulus;
        float right;
    };
    Operands o{drawSum(random), anyComplex(random), random.chance(50),
               random.chance(50) ? 1e-5F : anyFloat(random)};
    if (random.chance(30)) {
        o.right = o.left.f[0];  // equal operands
        o.left.xIsProduct = false;
        o.left.f[2] = 0.0F;
        o.left.yIsProduct = false;
    }
    const auto compute = [](const auto& arithmetic, const Operands& v) {
        using A = std::decay_t<decltype(arithmetic)>;
        const typename A::Value left =
            v.useModulus ? formulas::abs<A>(v.modulusOf) : sumOf<A>(v.left);
        const typename A::Value right = A::widen(v.right);
        const bool notAtLeast = !(left >= right);
        const bool less = left < right;
        return Outcome{notAtLeast ? 1U : 0U, less ? 1U : 0U, 0};
    };
    return {onHardware(o, [&](const Operands& v) { return compute(Hw{}, v); }),
            onSoftware(o, [&](const Operands& v) { return compute(Sw{}, v); }),
            describeSum(o.left) + " | |" + floats({o.modulusOf.re, o.modulusOf.im}) + "| " +
                (o.useModulus ? "modulus" : "sum") + " vs " + floats({o.right})};
}

template <class HwOp, class SwOp>
Trial complexTrial(Random& random, HwOp hw, SwOp sw) {
    const ComplexPair p = drawComplexPair(random);
    return {onHardware(p, [&](const ComplexPair& v) { return encode(hw(v.z, v.w)); }),
            onSoftware(p, [&](const ComplexPair& v) { return encode(sw(v.z, v.w)); }),
            describePair(p)};
}

const Operation kOperations[] = {
    {"Widen", widenTrial},
    {"ExactProduct", productTrial},
    {"SumOrDifference", [](Random& r) { return sumTrial(r, [](auto v) { return v; }); }},
    {"RoundToSingle",
     [](Random& r) {
         return sumTrial(r, [](auto v) {
             if constexpr (std::is_same_v<decltype(v), long double>) {
                 return Hw::toSingle(v);
             } else {
                 return Sw::toSingle(v);
             }
         });
     }},
    {"RoundToDouble",
     [](Random& r) {
         return sumTrial(r, [](auto v) {
             if constexpr (std::is_same_v<decltype(v), long double>) {
                 return Hw::toDouble(v);
             } else {
                 return Sw::toDouble(v);
             }
         });
     }},
    {"Quotient", quotientTrial},
    {"SquareRoot", squareRootTrial},
    {"StopTestComparison", comparisonTrial},
    {"ComplexSum", [](Random& r) { return complexTrial(r, formulas::sum<Hw>, formulas::sum<Sw>); }},
    {"ComplexDifference",
     [](Random& r) { return complexTrial(r, formulas::difference<Hw>, formulas::difference<Sw>); }},
    {"ComplexProduct",
     [](Random& r) { return complexTrial(r, formulas::product<Hw>, formulas::product<Sw>); }},
    {"ComplexQuotient",
     [](Random& r) { return complexTrial(r, formulas::quotient<Hw>, formulas::quotient<Sw>); }},
    {"Norm",
     [](Random& r) {
         return complexTrial(
             r, [](Complex z, Complex) { return formulas::norm<Hw>(z); },
             [](Complex z, Complex) { return formulas::norm<Sw>(z); });
     }},
    {"Abs",
     [](Random& r) {
         return complexTrial(
             r, [](Complex z, Complex) { return formulas::abs<Hw>(z); },
             [](Complex z, Complex) { return formulas::abs<Sw>(z); });
     }},
};

std::uint64_t settingOr(const char* name, std::uint64_t fallback) {
    const char* text =
        std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read once, single thread
    return text == nullptr ? fallback : std::strtoull(text, nullptr, 0);
}

std::uint64_t hashName(const char* name) {
    std::uint64_t h = 0xCBF29CE484222325U;
    for (const char* p = name; *p != '\0'; ++p) {
        h = (h ^ static_cast<unsigned char>(*p)) * 0x100000001B3U;
    }
    return h;
}

void PrintTo(const Operation& operation, std::ostream* os) {
    *os << operation.name;
}

class Differential : public ::testing::TestWithParam<Operation> {};

TEST_P(Differential, SoftwareMatchesTheX87UnitBitForBit) {
    establishNumericEnvironment();
    const std::uint64_t sets = settingOr("SECANT_DIFFERENTIAL_SETS", 200000);
    const std::uint64_t seed = settingOr("SECANT_DIFFERENTIAL_SEED", 0x5EC4A7);
    Random random(seed ^ hashName(GetParam().name));
    int reported = 0;
    std::uint64_t mismatches = 0;
    for (std::uint64_t i = 0; i < sets; ++i) {
        const Trial t = GetParam().trial(random);
        if (t.hardware == t.software) {
            continue;
        }
        ++mismatches;
        if (reported++ < 10) {
            ADD_FAILURE() << "set " << i << ": " << t.operands << "\n  x87      "
                          << describe(t.hardware) << "\n  software " << describe(t.software);
        }
    }
    EXPECT_EQ(mismatches, 0U) << "of " << sets << " sets (seed " << seed << ")";
    std::cout << "[ sets     ] " << GetParam().name << ": " << sets << " compared\n";
}

INSTANTIATE_TEST_SUITE_P(Extended, Differential, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing
