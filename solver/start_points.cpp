#include "solver/start_points.hpp"

#include <algorithm>
#include <cmath>

namespace secant {

namespace {

constexpr int kLogarithmBits = 32;

// cos and sin of 0.4 + k g radians for the golden angle g = 2 pi (1 - 1/phi),
// k = 0, 1, ..., leaving out the angles within 8 degrees of an axis (so that
// a real polynomial's search does not stay on the real axis, and x^n - 1 is
// not met symmetrically). Each new angle falls into the largest gap the
// earlier ones left. Written as binary64 constants, the same everywhere.
constexpr std::array<std::array<double, 2>, 32> kAngles{{
    {0x1.d7954e7dba2f8p-1, 0x1.8ec3ae92b676bp-2},    // 22.9
    {-0x1.e2695a209213cp-1, 0x1.5710373bcb34ep-2},   // 160.4
    {0x1.dfb1cd722764fp-2, -0x1.c458af350dc19p-1},   // 297.9
    {0x1.01663fd999b4fp-2, 0x1.ef8f889a067a3p-1},    // 75.4
    {-0x1.ada5452047de9p-1, -0x1.1679c22b82f76p-1},  // 212.9
    {0x1.f8ea345ea58afp-1, -0x1.53875730f9109p-3},   // 350.5
    {-0x1.3af8af3e7f79fp-1, 0x1.93a7911a0f3dfp-1},   // 128.0
    {0x1.7692873bfa98bp-1, 0x1.5d0e21d1f8d96p-1},    // 43.0
    {0x1.7c77484b65718p-1, -0x1.569f2afa8eec6p-1},   // 318.0
    {-0x1.340c1f5fec2b4p-1, -0x1.98f68e940c37ap-1},  // 233.0
    {0x1.f765283c995b8p-1, 0x1.75e50adbf99ddp-3},    // 10.5
    {-0x1.b25416d15d6d5p-1, 0x1.0f1d2c4046a6dp-1},   // 148.0
    {0x1.12403b57b1d05p-2, -0x1.ed4bb08244e8fp-1},   // 285.5
    {0x1.d03572b1d07c2p-2, 0x1.c85e26eab06ecp-1},    // 63.0
    {-0x1.df6b26d1154d9p-1, -0x1.67744b23053a9p-2},  // 200.6
    {0x1.dae98a05b0986p-1, -0x1.7ea280bc728c3p-2},   // 338.1
    {-0x1.b9e7abdb230b7p-2, 0x1.cddebfa6d7cfbp-1},   // 115.6
    {-0x1.2a216e1e2dd97p-2, -0x1.e9d1e53a5c225p-1},  // 253.1
    {0x1.b8c8e20ad5932p-1, 0x1.047c5d03394e1p-1},    // 30.6
    {-0x1.f4f9fed886f78p-1, 0x1.a6afc9cd86a82p-3},   // 168.1
    {0x1.2a063a4403edfp-1, -0x1.a052e41c4a28fp-1},   // 305.6
    {-0x1.84acba08e9009p-1, -0x1.4d47d63fc8985p-1},  // 220.6
    {-0x1.6dfc12ea03de4p-1, 0x1.660c980a4ff16p-1},   // 135.6
    {0x1.44ae8822b3766p-1, 0x1.8be2d319bc297p-1},    // 50.6
    {-0x1.fad3d09d9d6cbp-1, -0x1.2260ee7587ba3p-3},  // 188.2
    {0x1.a6c1783a4f8a9p-1, -0x1.20d3f4691693fp-1},   // 325.7
    {-0x1.d2817c434efeap-3, 0x1.f28a469a9fc42p-1},   // 103.2
    {-0x1.f5864d979c293p-2, -0x1.be635536c2211p-1},  // 240.7
    {0x1.e66f6295e2238p-1, 0x1.3f87be8e44286p-2},    // 18.2
    {-0x1.d29a15be43472p-1, 0x1.a58d7e896ca30p-2},   // 155.7
    {0x1.935c548bd6a8ap-2, -0x1.d69adfb598a2ap-1},   // 293.2
    {0x1.525a431a7f236p-2, 0x1.e33e1917763ecp-1},    // 70.7
}};

// The second start point is the first turned by 0.2 radians and moved 10% out.
constexpr double kTurnCos = 0x1.f5cb49577627ap-1;
constexpr double kTurnSin = 0x1.96dff233dd2bcp-3;
constexpr double kOutward = 1.1;

constexpr double kSmallestRadius = 0x1p-120;
constexpr double kLargestRadius = 0x1p120;

// |a| of a coefficient: the squares of binary32 parts are exact in binary64.
double magnitude(Complex a) {
    const double re = a.re;
    const double im = a.im;
    return std::sqrt(re * re + im * im);
}

}  // namespace

// v = m 2^e with m in [1, 2); log2 m bit by bit: squaring m doubles its
// logarithm, and where the square reaches 2 the next bit is 1.
double binaryLogarithm(double v) {
    int exponent = 0;
    double m = 2 * std::frexp(v, &exponent);
    double result = exponent - 1;
    double bit = 1;
    for (int k = 0; k < kLogarithmBits; ++k) {
        m *= m;
        bit /= 2;
        if (m >= 2) {
            m /= 2;
            result += bit;
        }
    }
    return result;
}

// v = n + f with 0 <= f < 1; 2^f is the product of 2^(2^-k) over the bits
// of f, each the square root of the one before.
double binaryPower(double v) {
    const double whole = std::floor(v);
    double fraction = v - whole;  // exact
    double factor = 2;
    double result = 1;
    for (int k = 0; k < kLogarithmBits; ++k) {
        factor = std::sqrt(factor);
        fraction *= 2;
        if (fraction >= 1) {
            fraction -= 1;
            result *= factor;
        }
    }
    return std::ldexp(result, static_cast<int>(whole));
}

RootRadii estimateRootRadii(const CoefficientTable& table) {
    RootRadii radii;
    const int n = table.count - 1;
    if (n < 1 || magnitude(table.coefficients[0]) == 0) {
        return radii;
    }
    // The points (p, log2 |a_p|) of the nonzero coefficients of x^p, and
    // their upper hull, from the lowest power to the highest.
    std::array<double, kMaxCoefficients> logarithm{};
    std::array<int, kMaxCoefficients> hull{};
    int size = 0;
    for (int p = 0; p <= n; ++p) {
        const double a = magnitude(table.coefficients[static_cast<std::size_t>(n - p)]);
        if (a == 0) {
            continue;
        }
        logarithm[static_cast<std::size_t>(p)] = binaryLogarithm(a);
        // The last hull point goes where it lies on or below the line from
        // the one before it to this one.
        while (size >= 2) {
            const int p0 = hull[static_cast<std::size_t>(size - 2)];
            const int p1 = hull[static_cast<std::size_t>(size - 1)];
            const double l0 = logarithm[static_cast<std::size_t>(p0)];
            const double l1 = logarithm[static_cast<std::size_t>(p1)];
            const double lp = logarithm[static_cast<std::size_t>(p)];
            if ((l1 - l0) * (p - p0) > (lp - l0) * (p1 - p0)) {
                break;
            }
            --size;
        }
        hull[static_cast<std::size_t>(size++)] = p;
    }
    // Along an edge from p to q, |a_p| r^p = |a_q| r^q: q - p roots near that r.
    for (int e = 0; e + 1 < size; ++e) {
        const int p = hull[static_cast<std::size_t>(e)];
        const int q = hull[static_cast<std::size_t>(e) + 1];
        const double slope =
            (logarithm[static_cast<std::size_t>(p)] - logarithm[static_cast<std::size_t>(q)]) /
            (q - p);
        radii.roots[static_cast<std::size_t>(radii.count)] = q - p;
        radii.radius[static_cast<std::size_t>(radii.count++)] = binaryPower(slope);
    }
    // Fujiwara: every root within 2 max |a_(n-k) / a_n|^(1/k), with half the free term.
    const double leading = magnitude(table.coefficients[0]);
    double bound = 0;
    for (int k = 1; k <= n; ++k) {
        double a = magnitude(table.coefficients[static_cast<std::size_t>(k)]) / leading;
        a = k == n ? a / 2 : a;
        if (a > 0) {
            bound = std::fmax(bound, binaryPower(binaryLogarithm(a) / k));
        }
    }
    if (bound > 0) {
        radii.radius[static_cast<std::size_t>(radii.count++)] = 2 * bound;
    }
    return radii;
}

int startScale(const RootRadii& radii, int attempt) {
    const double r = std::clamp(radii.radius[static_cast<std::size_t>((attempt - 1) % radii.count)],
                                0x1p-126, 0x1p126);
    int exponent = 0;
    std::frexp(r, &exponent);  // r in [2^(exponent-1), 2^exponent)
    return exponent - 1;
}

StartPair otherStartPair(const RootRadii& radii, int attempt, int variableScale) {
    const int index = attempt - 1;
    // Kept well inside the binary32 range, so that both points are finite and normal.
    const double r = std::clamp(
        std::ldexp(radii.radius[static_cast<std::size_t>(index % radii.count)], -variableScale),
        kSmallestRadius, kLargestRadius);
    const auto& angle = kAngles[static_cast<std::size_t>(index) % kAngles.size()];
    const double re = r * angle[0];
    const double im = r * angle[1];
    StartPair pair;
    pair.x0 = Complex(static_cast<float>(re), static_cast<float>(im));
    // The second point a little further out and turned a little further.
    const double re1 = kOutward * (re * kTurnCos - im * kTurnSin);
    const double im1 = kOutward * (re * kTurnSin + im * kTurnCos);
    pair.x1 = Complex(static_cast<float>(re1), static_cast<float>(im1));
    return pair;
}

}  // namespace secant
