#include "solver/bounds/root_bound.hpp"

#include <cfloat>
#include <cmath>

#include "solver/bounds/binary64.hpp"
#include "solver/bounds/directed.hpp"

namespace secant::bounds {

// k-th roots by bisection with exact scaling: t = f 2^e with f in [1/2, 1)
// (frexp), and e = k q + r with 0 <= r < k, so t^(1/k) = 2^q s^(1/k) with
// s = f 2^r exact in [1/2, 2^(k-1)) and s^(1/k) in [1/2, 2). A value h whose
// k-th power is shown to be at least s (by a lower bound of it) bounds
// s^(1/k) from above; 2 is one, as 2^k > 2^(k-1) > s, and the bisection
// keeps the least it finds, so h 2^q >= t^(1/k). For k >= 2, q lies within
// -537..512, so h 2^q is exact (ldexp).

namespace {

// A lower bound of y^k, for y >= 0 and k >= 1.
double powerDown(double y, int k) {
    double p = y;
    for (int i = 1; i < k; ++i) {
        p = multiplyDown(p, y);
    }
    return p;
}

constexpr int kBisections = 64;  // more than the 53 a bracket within a factor 4 needs

}  // namespace

double rootUp(double t, int k) {
    if (t == 0 || k == 1 || !std::isfinite(t)) {
        return t;
    }
    int e = 0;
    const double f = std::frexp(t, &e);
    const int q = e >= 0 ? e / k : -((k - 1 - e) / k);  // floor(e / k)
    const double s = std::ldexp(f, e - q * k);
    double low = 0.5;
    double high = 2;
    for (int i = 0; i < kBisections; ++i) {
        const double middle = (low + high) / 2;
        if (middle <= low || middle >= high) {
            break;
        }
        if (powerDown(middle, k) >= s) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::ldexp(high, q);
}

// Two classical bounds, for P of degree n >= 1 with a0 != 0.
//
// Fujiwara (1916): let M be the largest of |ai / a0|^(1/i) for 1 <= i < n and
// |an / (2 a0)|^(1/n). For |z| > 2M, with q = M / |z| < 1/2, |ai / a0| <= M^i
// and |an / a0| <= 2 M^n give
//   |P(z) / (a0 z^n)| >= 1 - sum over i < n of q^i - 2 q^n
//                     > 1 - sum over i < n of 2^-i - 2^(1-n) = 0,
// so every root has |z| <= 2M.
//
// Cauchy: let rho be the positive root of Q(x) = |a0| x^n - sum over i >= 1
// of |ai| x^(n-i) (where some ai != 0; otherwise every root is 0). Q(x) /
// x^n = |a0| - sum of |ai| x^-i increases strictly, so Q(x) > 0 exactly
// where x > rho; and for |z| > rho, |P(z)| >= Q(|z|) > 0, so every root has
// |z| <= rho. At x = 2M the sum above is at most 1, so Q(2M) >= 0 and
// rho <= 2M; each term |ai / a0| rho^-i of the sum 1 at rho is at most 1, so
// rho >= M. Any x at which Q(x) > 0 is shown (a lower bound of |a0| x^n
// above an upper bound of the sum) bounds every root: the bisection between
// F / 4 and the Fujiwara bound F >= 2M keeps the least such x it finds.
//
// The bisection runs on x = t 2^p, with 2^p the power of two just above F,
// and Q(x) / 2^(pn) = |a0| t^n - sum of bi t^(n-i), bi = |ai| 2^(-pi): as
// |ai| <= 2 |a0| M^i and M < 2^(p-1), bi <= 2 |a0| 2^-i, and t >= 1/8, so
// nothing overflows. A bi below DBL_MIN is rounded by the scaling; its upper
// neighbour bounds it.
double rootModulusBound(const Coefficients& a, int count) {
    const int n = count - 1;
    const double leading = modulusDown(std::fabs(a[0].re), std::fabs(a[0].im));
    if (leading == 0) {
        return kInfinity;
    }
    double m = 0;  // >= M
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double ratio = divideUp(modulusUp(a[k].re, a[k].im), leading);  // >= |ai / a0|
        m = std::fmax(m, rootUp(i < n ? ratio : divideUp(ratio, 2), i));
    }
    const double fujiwara = multiplyUp(2, m);
    if (fujiwara == 0 || !std::isfinite(fujiwara)) {
        return fujiwara;
    }
    int p = 0;
    double high = std::frexp(fujiwara, &p);  // F = high 2^p, high in [1/2, 1)
    std::array<double, kMaxCoefficients> b{};
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double scaled = std::ldexp(modulusUp(a[k].re, a[k].im), -p * i);
        b[k] = scaled < DBL_MIN ? up(scaled) : scaled;
    }
    const auto shownAbove = [&](double t) {
        double sum = 0;
        for (int i = 1; i <= n; ++i) {
            sum = addUp(multiplyUp(sum, t), b[static_cast<std::size_t>(i)]);
        }
        return multiplyDown(leading, powerDown(t, n)) > sum;
    };
    double low = high / 4;
    for (int i = 0; i < kBisections; ++i) {
        const double middle = (low + high) / 2;
        if (middle <= low || middle >= high) {
            break;
        }
        if (shownAbove(middle)) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::ldexp(high, p);
}

}  // namespace secant::bounds
