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
//
// Where there is no x87 unit (ARM64), the sets and the x87 unit's outcomes
// come from files that a run on an x86 machine wrote: with
// SECANT_DIFFERENTIAL_RECORD set to a folder, a run writes them there instead
// of comparing, and with SECANT_DIFFERENTIAL_REPLAY set to that folder, a run
// anywhere compares the software arithmetic with the recorded outcomes.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "case_name.hpp"
#include "solver/arithmetic/complex_formulas.hpp"
#include "solver/arithmetic/extended.hpp"
#include "solver/arithmetic/numeric_environment.hpp"

namespace secant::testing {
namespace {

#if SECANT_HAVE_X87_EXTENDED
using Hw = X87Arithmetic;
#endif
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

// A float of any class, signalling NaNs included: never in the program (the
// coefficients come from decimal text, every other float from a rounding),
// but each operation raises invalid for one all the same. What the x87 unit
// makes of one (quieted, or not when the compiler uses it as a memory operand)
// is a NaN either way, and of a NaN only that is compared.
float anyFloat(Random& random) {
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

int exponentOf(float value) {
    const int biased = static_cast<int>((std::bit_cast<std::uint32_t>(value) >> 23) & 0xFFU);
    return biased == 0 ? -127 : biased - 127;
}

// A float a few units in the last place from value (same sign).
float nearby(Random& random, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const int step = random.between(-3, 3);
    return fromBits(static_cast<std::uint32_t>(static_cast<std::int64_t>(bits) + step));
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

// The canonical NaN of the x87 register format.
constexpr Outcome kExtendedNaN{0xC000000000000000U, 0x7FFF, 0};

#if SECANT_HAVE_X87_EXTENDED
unsigned hardwareFlags() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    return ((raised & FE_INVALID) != 0 ? soft::kInvalid : 0U) |
           ((raised & FE_DIVBYZERO) != 0 ? soft::kDivisionByZero : 0U) |
           ((raised & FE_OVERFLOW) != 0 ? soft::kOverflow : 0U);
}

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

#endif

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
    return encode(soft::toUnpacked(value));
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

#if SECANT_HAVE_X87_EXTENDED
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

#endif

template <class Operands, class Compute>
Outcome onSoftware(const Operands& operands, Compute compute) {
    soft::setRaisedFlags(0U);
    Outcome outcome = compute(operands);
    outcome.flags = soft::raisedFlags();
    return outcome;
}

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
            return Arithmetic::toDouble(formulas::norm<Arithmetic>(z));
        }
    }
}

// What each operation computes, with either arithmetic A: run<A>(operands).
struct Widened {
    template <class A>
    static Outcome run(const float& f) {
        return encode(A::widen(f));
    }
};

using FloatPair = std::array<float, 2>;

FloatPair drawProduct(Random& random) {
    FloatPair f{anyFloat(random), 0.0F};
    f[1] = partner(random, f[0]);
    return f;
}

struct ExactProduct {
    template <class A>
    static Outcome run(const FloatPair& f) {
        return encode(A::widen(f[0]) * A::widen(f[1]));
    }
};

struct SumOrDifference {
    template <class A>
    static Outcome run(const SumOperands& s) {
        return encode(sumOf<A>(s));
    }
};

struct RoundedToSingle {
    template <class A>
    static Outcome run(const SumOperands& s) {
        return encode(A::toSingle(sumOf<A>(s)));
    }
};

struct RoundedToDouble {
    template <class A>
    static Outcome run(const SumOperands& s) {
        return encode(A::toDouble(sumOf<A>(s)));
    }
};

// A sum, or (as a quotient's numerator may be) a float or a product alone,
// over a float.
struct QuotientOperands {
    SumOperands numerator;
    bool bare = false;  // the numerator is x alone
    float divisor = 0.0F;
};

QuotientOperands drawQuotient(Random& random) {
    QuotientOperands q{drawSum(random), random.chance(10), 0.0F};
    q.divisor =
        random.chance(50) ? anyFloat(random) : floatWithExponent(random, random.between(-149, 127));
    return q;
}

struct Quotient {
    template <class A>
    static Outcome run(const QuotientOperands& v) {
        const SumOperands& s = v.numerator;
        const typename A::Value numerator =
            !v.bare ? sumOf<A>(s)
                    : (s.xIsProduct ? A::widen(s.f[0]) * A::widen(s.f[1]) : A::widen(s.f[0]));
        const typename A::Value r = numerator / A::widen(v.divisor);
        Outcome o = encode(r);
        o.second |= std::uint64_t{bitsOf(A::toSingle(r))} << 32;
        return o;
    }
};

std::string describeQuotient(const QuotientOperands& q) {
    return describeSum(q.numerator) + (q.bare ? " (x alone)" : "") + " / " + floats({q.divisor});
}

struct SquareRoot {
    template <class A>
    static Outcome run(const double& d) {
        return encode(A::squareRoot(d));
    }
};

// The stop test's two comparisons, of a modulus or any sum against a float.
struct ComparisonOperands {
    SumOperands left;
    Complex modulusOf;
    bool useModulus = false;
    float right = 0.0F;
};

ComparisonOperands drawComparison(Random& random) {
    ComparisonOperands o{drawSum(random), anyComplex(random), random.chance(50),
                         random.chance(50) ? 1e-5F : anyFloat(random)};
    if (random.chance(30)) {
        o.right = o.left.f[0];  // equal operands
        o.left.xIsProduct = false;
        o.left.f[2] = 0.0F;
        o.left.yIsProduct = false;
    }
    if (random.chance(10)) {
        // A modulus that rounds to the float it is compared with, from above:
        // |(f, t)| with t at most f * 2^-26 and f a power of two, so that f * f is exact.
        o.useModulus = true;
        o.right = std::ldexp(1.0F, random.between(-60, 60));
        o.modulusOf = {o.right, std::ldexp(o.right, -26 - random.below(3))};
    }
    return o;
}

struct Comparison {
    template <class A>
    static Outcome run(const ComparisonOperands& v) {
        const typename A::Value left =
            v.useModulus ? formulas::abs<A>(v.modulusOf) : sumOf<A>(v.left);
        const typename A::Value right = A::widen(v.right);
        const bool notAtLeast = !(left >= right);
        const bool less = left < right;
        return Outcome{notAtLeast ? 1U : 0U, less ? 1U : 0U, 0};
    }
};

std::string describeComparison(const ComparisonOperands& o) {
    return describeSum(o.left) + " | |" + floats({o.modulusOf.re, o.modulusOf.im}) + "| " +
           (o.useModulus ? "modulus" : "sum") + " vs " + floats({o.right});
}

struct ComplexSum {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::sum<A>(p.z, p.w));
    }
};

struct ComplexDifference {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::difference<A>(p.z, p.w));
    }
};

struct ComplexProduct {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::product<A>(p.z, p.w));
    }
};

struct ComplexQuotient {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::quotient<A>(p.z, p.w));
    }
};

struct Norm {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::norm<A>(p.z));
    }
};

struct Abs {
    template <class A>
    static Outcome run(const ComplexPair& p) {
        return encode(formulas::abs<A>(p.z));
    }
};

// Values of each form that an implementation may hold differently (a float,
// a product, a sum, a quotient, a root), combined in ways the formulas do not.
struct Leaf {
    SumOperands sum;
    float divisor = 0.0F;
    unsigned char kind = 0;  // widen(f0), f0*f1, the sum, the sum / divisor, its root
};

struct CompositionOperands {
    Leaf x;
    Leaf y;
    unsigned char operation = 0;  // x + y, x - y, x * y, x / y, x alone
    unsigned char finish = 0;     // as it is, to binary32, to binary64, or x against y
};

Leaf drawLeaf(Random& random) {
    const QuotientOperands q = drawQuotient(random);
    return Leaf{q.numerator, q.divisor, static_cast<unsigned char>(random.below(5))};
}

CompositionOperands drawComposition(Random& random) {
    CompositionOperands c{drawLeaf(random), drawLeaf(random), 0, 0};
    c.operation = static_cast<unsigned char>(random.below(5));
    c.finish = static_cast<unsigned char>(random.below(4));
    return c;
}

template <class A>
typename A::Value leafValue(const Leaf& leaf) {
    const SumOperands& s = leaf.sum;
    switch (leaf.kind) {
        case 0: return A::widen(s.f[0]);
        case 1: return A::widen(s.f[0]) * A::widen(s.f[1]);
        case 2: return sumOf<A>(s);
        case 3: return sumOf<A>(s) / A::widen(leaf.divisor);
        default: return A::squareRoot(A::toDouble(sumOf<A>(s)));
    }
}

struct Composition {
    template <class A>
    static Outcome run(const CompositionOperands& c) {
        const typename A::Value x = leafValue<A>(c.x);
        if (c.operation == 4 && c.finish != 3) {
            // x alone. (y is not made at all: what making a value that is never
            // used raises is the compiler's choice, which may drop it.)
            return finished<A>(x, c.finish);
        }
        const typename A::Value y = leafValue<A>(c.y);
        if (c.finish == 3) {
            return Outcome{!(x >= y) ? 1U : 0U, x < y ? 1U : 0U, 0};
        }
        const typename A::Value r = c.operation == 0   ? x + y
                                    : c.operation == 1 ? x - y
                                    : c.operation == 2 ? x * y
                                                       : x / y;
        return finished<A>(r, c.finish);
    }

    template <class A>
    static Outcome finished(const typename A::Value& r, unsigned char finish) {
        return finish == 0   ? encode(r)
               : finish == 1 ? encode(A::toSingle(r))
                             : encode(A::toDouble(r));
    }
};

std::string describeComposition(const CompositionOperands& c) {
    const auto leaf = [](const Leaf& l) {
        return "[kind " + std::to_string(l.kind) + ": " + describeSum(l.sum) + " / " +
               floats({l.divisor}) + "]";
    };
    return leaf(c.x) + " op " + std::to_string(c.operation) + " " + leaf(c.y) + " finish " +
           std::to_string(c.finish);
}

std::string describeFloat(const float& f) {
    return floats({f});
}

std::string describeFloatPair(const FloatPair& f) {
    return floats({f[0], f[1]});
}

std::string describeDouble(const double& d) {
    std::ostringstream text;
    text << std::hex << std::bit_cast<std::uint64_t>(d);
    return text.str();
}

// An operation under test. Its operand set is a plain value of a few bytes,
// so that it can be written to a file and read back on another machine
// (both little-endian, with the same layout of floats and bools).
constexpr std::size_t kMaxOperandBytes = 64;
using OperandBytes = std::array<unsigned char, kMaxOperandBytes>;

struct Operation {
    const char* name;
    std::size_t operandSize;
    std::function<OperandBytes(Random&)> draw;
    std::function<Outcome(const OperandBytes&)> hardware;  // empty without an x87 unit
    std::function<Outcome(const OperandBytes&)> software;
    std::function<std::string(const OperandBytes&)> describe;
};

template <class Operands>
Operands fromBytes(const OperandBytes& bytes) {
    Operands operands;
    std::memcpy(&operands, bytes.data(), sizeof operands);
    return operands;
}

template <class Compute, class Operands>
Operation operation(const char* name, Operands (*draw)(Random&),
                    std::string (*describe)(const Operands&)) {
    static_assert(std::is_trivially_copyable_v<Operands> && sizeof(Operands) <= kMaxOperandBytes);
    Operation op{name, sizeof(Operands), nullptr, nullptr, nullptr, nullptr};
    op.draw = [draw](Random& random) {
        const Operands operands = draw(random);
        OperandBytes bytes{};
        std::memcpy(bytes.data(), &operands, sizeof operands);
        return bytes;
    };
#if SECANT_HAVE_X87_EXTENDED
    op.hardware = [](const OperandBytes& bytes) {
        return onHardware(fromBytes<Operands>(bytes),
                          [](const Operands& v) { return Compute::template run<Hw>(v); });
    };
#endif
    op.software = [](const OperandBytes& bytes) {
        return onSoftware(fromBytes<Operands>(bytes),
                          [](const Operands& v) { return Compute::template run<Sw>(v); });
    };
    op.describe = [describe](const OperandBytes& bytes) {
        return describe(fromBytes<Operands>(bytes));
    };
    return op;
}

const Operation kOperations[] = {
    operation<Widened>("Widen", anyFloat, describeFloat),
    operation<ExactProduct>("ExactProduct", drawProduct, describeFloatPair),
    operation<SumOrDifference>("SumOrDifference", drawSum, describeSum),
    operation<RoundedToSingle>("RoundToSingle", drawSum, describeSum),
    operation<RoundedToDouble>("RoundToDouble", drawSum, describeSum),
    operation<Quotient>("Quotient", drawQuotient, describeQuotient),
    operation<SquareRoot>("SquareRoot", anyDouble, describeDouble),
    operation<Comparison>("StopTestComparison", drawComparison, describeComparison),
    operation<ComplexSum>("ComplexSum", drawComplexPair, describePair),
    operation<ComplexDifference>("ComplexDifference", drawComplexPair, describePair),
    operation<ComplexProduct>("ComplexProduct", drawComplexPair, describePair),
    operation<ComplexQuotient>("ComplexQuotient", drawComplexPair, describePair),
    operation<Norm>("Norm", drawComplexPair, describePair),
    operation<Abs>("Abs", drawComplexPair, describePair),
    operation<Composition>("Composition", drawComposition, describeComposition),
};

const char* setting(const char* name) {
    return std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read once, single thread
}

std::uint64_t settingOr(const char* name, std::uint64_t fallback) {
    const char* text = setting(name);
    return text == nullptr ? fallback : std::strtoull(text, nullptr, 0);
}

std::uint64_t hashName(const char* name) {
    std::uint64_t h = 0xCBF29CE484222325U;
    for (const char* p = name; *p != '\0'; ++p) {
        h = (h ^ static_cast<unsigned char>(*p)) * 0x100000001B3U;
    }
    return h;
}

using testing::PrintTo;

// Counts the sets whose outcomes differ and reports the first few.
struct Mismatches {
    std::uint64_t count = 0;

    void check(const Operation& op, std::uint64_t set, const OperandBytes& operands,
               const Outcome& x87, const Outcome& software) {
        if (x87 == software) {
            return;
        }
        if (count++ < 10) {
            ADD_FAILURE() << "set " << set << ": " << op.describe(operands) << "\n  x87      "
                          << describe(x87) << "\n  software " << describe(software);
        }
    }
};

// A file of recorded sets, one per operation: the operand size and the
// number of sets, then for each set its operand bytes and the x87 unit's
// outcome, all in the byte order of both machines (little-endian).
static_assert(std::endian::native == std::endian::little);

std::string recordFile(const char* folder, const Operation& op) {
    return std::string(folder) + "/" + op.name + ".sets";
}

void writeWord(std::ostream& out, std::uint64_t word) {
    out.write(reinterpret_cast<const char*>(&word), sizeof word);
}

std::uint64_t readWord(std::istream& in) {
    std::uint64_t word = 0;
    in.read(reinterpret_cast<char*>(&word), sizeof word);
    return word;
}

void writeSet(std::ostream& out, const Operation& op, const OperandBytes& operands,
              const Outcome& x87) {
    out.write(reinterpret_cast<const char*>(operands.data()),
              static_cast<std::streamsize>(op.operandSize));
    writeWord(out, x87.first);
    writeWord(out, x87.second);
    writeWord(out, x87.flags);
}

// Draws the sets and runs both arithmetics on each.
void compareHere(const Operation& op, std::uint64_t sets, std::uint64_t seed) {
    Random random(seed ^ hashName(op.name));
    Mismatches mismatches;
    for (std::uint64_t i = 0; i < sets; ++i) {
        const OperandBytes operands = op.draw(random);
        mismatches.check(op, i, operands, op.hardware(operands), op.software(operands));
    }
    EXPECT_EQ(mismatches.count, 0U) << "of " << sets << " sets (seed " << seed << ")";
    std::cout << "[ sets     ] " << op.name << ": " << sets << " compared\n";
}

// Draws the sets and writes them with the x87 unit's outcomes, for a machine
// without one to compare with.
void record(const Operation& op, std::uint64_t sets, std::uint64_t seed, const char* folder) {
    std::ofstream file(recordFile(folder, op), std::ios::binary | std::ios::trunc);
    writeWord(file, op.operandSize);
    writeWord(file, sets);
    Random random(seed ^ hashName(op.name));
    for (std::uint64_t i = 0; i < sets; ++i) {
        const OperandBytes operands = op.draw(random);
        writeSet(file, op, operands, op.hardware(operands));
    }
    file.close();
    EXPECT_TRUE(file) << "could not write " << recordFile(folder, op);
}

// Runs the software arithmetic on the sets an x86 machine recorded and
// compares with the x87 unit's outcomes recorded with them.
void compareRecorded(const Operation& op, const char* folder) {
    std::ifstream record(recordFile(folder, op), std::ios::binary);
    ASSERT_TRUE(record) << "no recorded sets in " << recordFile(folder, op);
    ASSERT_EQ(readWord(record), op.operandSize) << "recorded by another version of this test";
    const std::uint64_t sets = readWord(record);
    Mismatches mismatches;
    for (std::uint64_t i = 0; i < sets; ++i) {
        OperandBytes operands{};
        record.read(reinterpret_cast<char*>(operands.data()),
                    static_cast<std::streamsize>(op.operandSize));
        Outcome x87;
        x87.first = readWord(record);
        x87.second = readWord(record);
        x87.flags = static_cast<unsigned>(readWord(record));
        ASSERT_TRUE(record) << "the record ends after " << i << " of " << sets << " sets";
        mismatches.check(op, i, operands, x87, op.software(operands));
    }
    EXPECT_EQ(mismatches.count, 0U) << "of " << sets << " recorded sets";
    std::cout << "[ sets     ] " << op.name << ": " << sets << " recorded sets compared\n";
}

class Differential : public ::testing::TestWithParam<Operation> {};

TEST_P(Differential, SoftwareMatchesTheX87UnitBitForBit) {
    establishNumericEnvironment();
    const Operation& op = GetParam();
    if (const char* folder = setting("SECANT_DIFFERENTIAL_REPLAY"); folder != nullptr) {
        compareRecorded(op, folder);
        return;
    }
    ASSERT_TRUE(op.hardware) << "no x87 unit here: compare with the sets that a run on an x86 "
                                "machine recorded (SECANT_DIFFERENTIAL_REPLAY)";
    const std::uint64_t sets = settingOr("SECANT_DIFFERENTIAL_SETS", 200000);
    const std::uint64_t seed = settingOr("SECANT_DIFFERENTIAL_SEED", 0x5EC4A7);
    if (const char* folder = setting("SECANT_DIFFERENTIAL_RECORD"); folder != nullptr) {
        record(op, sets, seed, folder);
    } else {
        compareHere(op, sets, seed);
    }
}

INSTANTIATE_TEST_SUITE_P(Extended, Differential, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant::testing
