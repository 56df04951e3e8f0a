// Exact arithmetic for the tests' oracles: natural numbers of any size, and
// signed dyadic numbers (an integer times a power of two), in which every
// binary32 and binary64 value, and every sum and product of them, is exact.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace secant::testing {

// A natural number in 32-bit limbs, least significant first.
class Natural {
public:
    explicit Natural(std::uint64_t value) {
        for (; value != 0; value >>= 32U) {
            limbs_.push_back(static_cast<std::uint32_t>(value));
        }
    }

    Natural& times(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t product = std::uint64_t{limb} * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32U;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry));
        }
        trim();
        return *this;
    }

    Natural& timesPowerOfTen(int k) {
        for (int i = 0; i < k; ++i) {
            times(10);
        }
        return *this;
    }

    // Whole limbs, then the bits left over.
    Natural& timesPowerOfTwo(int k) {
        if (limbs_.empty() || k <= 0) {
            return *this;
        }
        limbs_.insert(limbs_.begin(), static_cast<std::size_t>(k / 32), 0U);
        for (int i = 0; i < k % 32; ++i) {
            times(2);
        }
        return *this;
    }

    [[nodiscard]] bool isZero() const { return limbs_.empty(); }

    friend Natural sum(const Natural& a, const Natural& b) {
        Natural result(0);
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < std::max(a.limbs_.size(), b.limbs_.size()); ++i) {
            const std::uint64_t t = carry + (i < a.limbs_.size() ? a.limbs_[i] : 0U) +
                                    (i < b.limbs_.size() ? b.limbs_[i] : 0U);
            result.limbs_.push_back(static_cast<std::uint32_t>(t));
            carry = t >> 32U;
        }
        result.limbs_.push_back(static_cast<std::uint32_t>(carry));
        result.trim();
        return result;
    }

    // |a - b|.
    friend Natural distance(const Natural& a, const Natural& b) {
        const bool aLarger = compare(a, b) >= 0;
        const Natural& big = aLarger ? a : b;
        const Natural& small = aLarger ? b : a;
        Natural result(0);
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < big.limbs_.size(); ++i) {
            std::int64_t d = std::int64_t{big.limbs_[i]} - borrow -
                             (i < small.limbs_.size() ? std::int64_t{small.limbs_[i]} : 0);
            borrow = d < 0 ? 1 : 0;
            d += borrow << 32U;
            result.limbs_.push_back(static_cast<std::uint32_t>(d));
        }
        result.trim();
        return result;
    }

    friend Natural product(const Natural& a, const Natural& b) {
        Natural result(0);
        result.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0);
        for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
                const std::uint64_t t =
                    std::uint64_t{a.limbs_[i]} * b.limbs_[j] + result.limbs_[i + j] + carry;
                result.limbs_[i + j] = static_cast<std::uint32_t>(t);
                carry = t >> 32U;
            }
            result.limbs_[i + b.limbs_.size()] = static_cast<std::uint32_t>(carry);
        }
        result.trim();
        return result;
    }

    friend int compare(const Natural& a, const Natural& b) {
        if (a.limbs_.size() != b.limbs_.size()) {
            return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        }
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            if (a.limbs_[i] != b.limbs_[i]) {
                return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
            }
        }
        return 0;
    }

private:
    void trim() {
        while (!limbs_.empty() && limbs_.back() == 0) {
            limbs_.pop_back();
        }
    }

    std::vector<std::uint32_t> limbs_;
};

// |x| = significand 2^exponent with an integer significand below 2^53.
struct Binary {
    std::uint64_t significand = 0;
    int exponent = 0;
};

inline Binary binary(double x) {
    if (x == 0) {
        return {};
    }
    int e = 0;
    const double fraction = std::frexp(std::fabs(x), &e);
    return {static_cast<std::uint64_t>(std::ldexp(fraction, 53)), e - 53};
}

// (-1)^negative magnitude 2^exponent, exactly.
struct Dyadic {
    bool negative = false;
    Natural magnitude{0};
    int exponent = 0;

    // A finite binary64 value (every binary32 one too).
    static Dyadic of(double x) {
        const Binary b = binary(x);
        return {std::signbit(x), Natural(b.significand), b.exponent};
    }

    friend Dyadic operator*(const Dyadic& a, const Dyadic& b) {
        return {a.negative != b.negative, product(a.magnitude, b.magnitude),
                a.exponent + b.exponent};
    }

    friend Dyadic operator+(const Dyadic& a, const Dyadic& b) {
        const int exponent = std::min(a.exponent, b.exponent);
        Natural x = a.magnitude;
        Natural y = b.magnitude;
        x.timesPowerOfTwo(a.exponent - exponent);
        y.timesPowerOfTwo(b.exponent - exponent);
        if (a.negative == b.negative) {
            return {a.negative, sum(x, y), exponent};
        }
        const bool aLarger = compare(x, y) >= 0;
        return {aLarger ? a.negative : b.negative, distance(x, y), exponent};
    }

    friend Dyadic operator-(const Dyadic& a, Dyadic b) {
        b.negative = !b.negative;
        return a + b;
    }

    // The sign of a - b: -1, 0 or 1.
    friend int compare(const Dyadic& a, const Dyadic& b) {
        const Dyadic d = a - b;
        return d.magnitude.isZero() ? 0 : (d.negative ? -1 : 1);
    }
};

// A complex value with dyadic parts.
struct ExactComplex {
    Dyadic re;
    Dyadic im;

    static ExactComplex of(double re, double im) { return {Dyadic::of(re), Dyadic::of(im)}; }

    friend ExactComplex operator+(const ExactComplex& a, const ExactComplex& b) {
        return {a.re + b.re, a.im + b.im};
    }
    friend ExactComplex operator-(const ExactComplex& a, const ExactComplex& b) {
        return {a.re - b.re, a.im - b.im};
    }
    friend ExactComplex operator*(const ExactComplex& a, const ExactComplex& b) {
        return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
    }

    // |z|^2.
    [[nodiscard]] Dyadic squaredModulus() const { return re * re + im * im; }
};

}  // namespace secant::testing
