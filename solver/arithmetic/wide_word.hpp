// Unsigned 128-bit words for the software extended arithmetic.
//
// The compiler's unsigned __int128 does the work where it exists; elsewhere a
// pair of 64-bit halves does the same with portable code. Defining
// SECANT_PORTABLE_WIDE_WORDS forces the pair, so that it can be tested on a
// compiler that has the built-in type.
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>

#if defined(__SIZEOF_INT128__) && !defined(SECANT_PORTABLE_WIDE_WORDS)
#define SECANT_WIDE_WORDS_BUILTIN 1
#else
#define SECANT_WIDE_WORDS_BUILTIN 0
#endif

namespace secant::wide {

#if SECANT_WIDE_WORDS_BUILTIN
// __extension__: the type is not ISO C++, and -Wpedantic says so otherwise.
__extension__ typedef unsigned __int128 BuiltinWord;  // NOLINT(modernize-use-using)
#endif

struct Word128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

constexpr bool isZero(Word128 x) {
    return (x.hi | x.lo) == 0;
}

constexpr bool lessThan(Word128 x, Word128 y) {
    return x.hi < y.hi || (x.hi == y.hi && x.lo < y.lo);
}

constexpr Word128 add(Word128 x, Word128 y) {
    const std::uint64_t lo = x.lo + y.lo;
    return Word128{x.hi + y.hi + (lo < x.lo ? 1U : 0U), lo};
}

// x - y for y <= x.
constexpr Word128 subtract(Word128 x, Word128 y) {
    assert(!lessThan(x, y));
    return Word128{x.hi - y.hi - (x.lo < y.lo ? 1U : 0U), x.lo - y.lo};
}

// The full product of two 64-bit words.
constexpr Word128 multiply(std::uint64_t x, std::uint64_t y) {
#if SECANT_WIDE_WORDS_BUILTIN
    const BuiltinWord p = static_cast<BuiltinWord>(x) * y;
    return Word128{static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
    const std::uint64_t x0 = x & 0xFFFFFFFFU;
    const std::uint64_t x1 = x >> 32;
    const std::uint64_t y0 = y & 0xFFFFFFFFU;
    const std::uint64_t y1 = y >> 32;
    const std::uint64_t p00 = x0 * y0;
    const std::uint64_t p01 = x0 * y1;
    const std::uint64_t p10 = x1 * y0;
    const std::uint64_t p11 = x1 * y1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFU) + (p10 & 0xFFFFFFFFU);
    return Word128{p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32),
                   (middle << 32) | (p00 & 0xFFFFFFFFU)};
#endif
}

// x shifted left by 0 <= n < 128 places.
constexpr Word128 shiftLeft(Word128 x, int n) {
    assert(n >= 0 && n < 128);
    if (n >= 64) {
        return Word128{x.lo << (n - 64), 0};
    }
    // (lo >> 1) >> (63 - n) is lo >> (64 - n), and 0 for n = 0.
    return Word128{(x.hi << n) | ((x.lo >> 1) >> (63 - n)), x.lo << n};
}

constexpr int countLeadingZeros(Word128 x) {
    return x.hi != 0 ? std::countl_zero(x.hi) : 64 + std::countl_zero(x.lo);
}

struct Division {
    std::uint64_t quotient = 0;
    std::uint64_t remainder = 0;
};

// x / d for x.hi < d (so that the quotient fits in 64 bits).
constexpr Division divide(Word128 x, std::uint64_t d) {
    assert(x.hi < d);
#if SECANT_WIDE_WORDS_BUILTIN
    const BuiltinWord n = (static_cast<BuiltinWord>(x.hi) << 64) | x.lo;
    return Division{static_cast<std::uint64_t>(n / d), static_cast<std::uint64_t>(n % d)};
#else
    // Restoring division, one quotient bit per step.
    std::uint64_t remainder = x.hi;
    std::uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const bool carry = (remainder >> 63) != 0;
        remainder = (remainder << 1) | ((x.lo >> bit) & 1U);
        quotient <<= 1;
        if (carry || remainder >= d) {
            remainder -= d;
            quotient |= 1U;
        }
    }
    return Division{quotient, remainder};
#endif
}

}  // namespace secant::wide
