// Every equation solved: over seeded random equations of six families, the
// share the program solves (every root listed, no error), the share where
// the search from (0, 0) and (1, 1) alone would have failed, and the slowest
// run; then the bound on any run: (1 + kMaxOtherAttempts) searches of at most
// kSecantMaxIterations iterations per root, timed at order 9; and the time the
// refinement of every root can take.
#include <chrono>
#include <complex>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/recovery.hpp"
#include "solver/refinement.hpp"

namespace {

using secant::Complex;
using Wide = std::complex<double>;
using Clock = std::chrono::steady_clock;

std::mt19937_64 generator(20261209);

double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
}

std::vector<Wide> fromRoots(const std::vector<Wide>& roots) {
    std::vector<Wide> c{1};
    for (const Wide r : roots) {
        c.push_back(0);
        for (std::size_t i = c.size() - 1; i > 0; --i) {
            c[i] -= r * c[i - 1];
        }
    }
    return c;
}

struct Family {
    const char* name;
    std::function<std::vector<Wide>(int)> make;
};

const Family kFamilies[] = {
    {"integers in -10..10",
     [](int n) {
         std::vector<Wide> c;
         for (int i = 0; i <= n; ++i) {
             c.emplace_back(static_cast<double>(static_cast<int>(generator() % 21) - 10));
         }
         c[0] = c[0] == 0.0 ? 1.0 : c[0];
         return c;
     }},
    {"real uniform in -1..1",
     [](int n) {
         std::vector<Wide> c;
         for (int i = 0; i <= n; ++i) {
             c.emplace_back(uniform(-1, 1));
         }
         return c;
     }},
    {"complex Gaussian",
     [](int n) {
         std::normal_distribution<double> gauss;
         std::vector<Wide> c;
         for (int i = 0; i <= n; ++i) {
             c.emplace_back(gauss(generator), gauss(generator));
         }
         return c;
     }},
    {"real roots in -10..10",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 0; i < n; ++i) {
             roots.emplace_back(uniform(-10, 10));
         }
         return fromRoots(roots);
     }},
    {"complex roots of size 3",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 0; i < n; ++i) {
             roots.push_back(std::polar(3 * uniform(0.7, 1.3), uniform(0, 6.283185307179586)));
         }
         return fromRoots(roots);
     }},
    {"magnitudes 1e-6..1e6",
     [](int n) {
         std::vector<Wide> c;
         for (int i = 0; i <= n; ++i) {
             c.emplace_back((generator() % 2 == 0 ? 1 : -1) * std::pow(10.0, uniform(-6, 6)));
         }
         return c;
     }},
};

void load(const std::vector<Wide>& c) {
    secant::coefficientTable = secant::CoefficientTable{};
    for (const Wide a : c) {
        secant::coefficientTable
            .coefficients[static_cast<std::size_t>(secant::coefficientTable.count++)] =
            Complex(static_cast<float>(a.real()), static_cast<float>(a.imag()));
    }
}

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int perFamily = argc > 1 ? std::atoi(argv[1]) : 2000;
    secant::establishNumericEnvironment();
    std::printf("%-26s %9s %8s %12s %10s\n", "family", "equations", "solved", "recovered",
                "slowest");
    double slowest = 0;
    for (const Family& family : kFamilies) {
        int solved = 0;
        int recovered = 0;
        double worst = 0;
        for (int e = 0; e < perFamily; ++e) {
            load(family.make(1 + static_cast<int>(generator() % 9)));
            const int n = secant::coefficientTable.count - 1;
            const Clock::time_point start = Clock::now();
            const secant::FoundRoots roots = secant::findRoots();
            worst = std::max(worst, seconds(start));
            solved += roots.found == n ? 1 : 0;
            bool standard = true;
            for (int k = 1; k <= roots.found; ++k) {
                standard = standard && roots.searches[static_cast<std::size_t>(k)].origin ==
                                           secant::RootOrigin::StandardSearch;
            }
            recovered += standard ? 0 : 1;
        }
        slowest = std::max(slowest, worst);
        std::printf("%-26s %9d %7.2f%% %11.2f%% %8.2f ms\n", family.name, perFamily,
                    100.0 * solved / perFamily, 100.0 * recovered / perFamily, worst * 1e3);
    }
    // The time of an iteration at order 9 from a long search (x^9 + ... + 1
    // takes some 7000 iterations), then every root of order 9 down to 1 taking every
    // attempt in full.
    load({1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    const Clock::time_point start = Clock::now();
    secant::clearArithmeticFlags();
    const secant::GuardedSearch search = secant::findRootGuarded(
        secant::coefficientTable, secant::kSecantStart0, secant::kSecantStart1);
    const double search9 = seconds(start) * secant::kSecantMaxIterations / search.iteration;
    const double bound = 9 * (1 + secant::kMaxOtherAttempts) * search9;
    std::printf(
        "slowest run %.2f ms; a search of %d passes at order 9 %.2f ms, so no run can "
        "take more than %.0f ms (every root of order 9 taking every attempt in full)\n",
        slowest * 1e3, secant::kSecantMaxIterations, search9 * 1e3, bound * 1e3);
    // The refinement at order 9 from listed roots all at 0 (moved apart onto
    // one circle), as far as it goes, and at most kMaxRefinementIterations steps.
    std::array<Complex, secant::kMaxCoefficients> listed{};
    load({1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    const Clock::time_point refining = Clock::now();
    const secant::RefinedRoots refined =
        secant::refineRoots(secant::coefficientTable, listed, secant::kMaxCoefficients - 1);
    const double step = seconds(refining) / refined.iterations;
    std::printf("the refinement at order 9: %d steps, %.1f us a step, so at most %.2f ms\n",
                refined.iterations, step * 1e6, step * secant::kMaxRefinementIterations * 1e3);
    return 0;
}
