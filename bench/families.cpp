// Every equation solved: over seeded random equations of each family, the
// share the program solves (every root listed, no error), the share where
// the search from (0, 0) and (1, 1) alone would have failed, and the slowest
// run, and the same for a few named equations at the edges of what it takes;
// then the bound on any run: (1 + kMaxOtherAttempts) searches of at most
// kSecantMaxIterations iterations per root, timed at order 9; and the time the
// refinement of every root can take. Whether the answers are right (to 1e-4
// of each true root) is measured by tests/e2e/check_right.py --measure, on
// its own draws of the same families, against mpmath's roots at 50 digits:
// the clustered and multiple roots of the equations as read need more than
// binary64 to be told reliably.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "app/refined.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/recovery.hpp"
#include "solver/refinement.hpp"

namespace {

using secant::Complex;
using Wide = std::complex<double>;
using Clock = std::chrono::steady_clock;

std::mt19937_64 generator(20261209);
// The families added after the first six draw from a generator of their own,
// so that the figures of those six stay what they were.
std::mt19937_64 laterGenerator(20270311);

double uniform(std::mt19937_64& source, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(source);
}

double uniform(double low, double high) {
    return uniform(generator, low, high);
}

double angle() {
    return uniform(laterGenerator, 0, 6.283185307179586);
}

double sign() {
    return laterGenerator() % 2 == 0 ? 1 : -1;
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
    std::mt19937_64* orders = &generator;  // the generator that draws each equation's order
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
    {"roots on the unit circle",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 0; i < n; ++i) {
             roots.push_back(std::polar(1.0, angle()));
         }
         return fromRoots(roots);
     },
     &laterGenerator},
    {"clusters of radius 1e-2",
     [](int n) {
         const Wide centre = std::polar(uniform(laterGenerator, 0.5, 2), angle());
         std::vector<Wide> roots;
         for (int i = 0; i < n; ++i) {
             roots.push_back(centre +
                             std::polar(1e-2 * std::sqrt(uniform(laterGenerator, 0, 1)), angle()));
         }
         return fromRoots(roots);
     },
     &laterGenerator},
    {"pairs 1e-3..1e-1 apart",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 0; i < n / 2; ++i) {
             const Wide centre = std::polar(uniform(laterGenerator, 0.5, 3), angle());
             const Wide half =
                 std::polar(std::pow(10.0, uniform(laterGenerator, -3, -1)) / 2, angle());
             roots.push_back(centre - half);
             roots.push_back(centre + half);
         }
         if (n % 2 == 1) {
             roots.push_back(std::polar(uniform(laterGenerator, 0.5, 3), angle()));
         }
         return fromRoots(roots);
     },
     &laterGenerator},
    {"(x-1)...(x-n), 1e-6 off",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 1; i <= n; ++i) {
             roots.emplace_back(i);
         }
         std::vector<Wide> c = fromRoots(roots);
         c[static_cast<std::size_t>(laterGenerator() % static_cast<unsigned>(n + 1))] *=
             1 + sign() * 1e-6 * uniform(laterGenerator, 0.5, 2);
         return c;
     },
     &laterGenerator},
    {"roots of size 1e-3..1e3",
     [](int n) {
         std::vector<Wide> roots;
         for (int i = 0; i < n; ++i) {
             roots.push_back(std::polar(std::pow(10.0, uniform(laterGenerator, -3, 3)), angle()));
         }
         return fromRoots(roots);
     },
     &laterGenerator},
    {"Littlewood (+1 and -1)",
     [](int n) {
         std::vector<Wide> c;
         for (int i = 0; i <= n; ++i) {
             c.emplace_back(sign());
         }
         return c;
     },
     &laterGenerator},
    {"complex Gaussian, order 9",
     [](int) {
         std::normal_distribution<double> gauss;
         std::vector<Wide> c;
         for (int i = 0; i <= 9; ++i) {
             c.emplace_back(gauss(laterGenerator), gauss(laterGenerator));
         }
         return c;
     },
     &laterGenerator},
    // (x - a)^k for a of 0, 1, -2, 0.5 and 3, or a product of two or three
    // such powers, each k at least 2 and the order at most 9.
    {"powers and products",
     [](int) {
         std::vector<double> bases{0, 1, -2, 0.5, 3};
         std::shuffle(bases.begin(), bases.end(), laterGenerator);
         bases.resize(1 + laterGenerator() % 3);
         std::vector<int> exponents(bases.size());
         int order = 0;
         do {
             order = 0;
             for (int& k : exponents) {
                 k = 2 + static_cast<int>(laterGenerator() % 8);
                 order += k;
             }
         } while (order > 9);
         std::vector<Wide> roots;
         for (std::size_t i = 0; i < bases.size(); ++i) {
             roots.insert(roots.end(), static_cast<std::size_t>(exponents[i]), bases[i]);
         }
         return fromRoots(roots);
     },
     &laterGenerator},
};

// Equations at the edges of what the program takes, each run once.
const std::vector<Wide> kNamedEquations[] = {
    {1, 0, 0, 0, 0, 0, 0, 0, 0, 1e-38},
    {1, -1.91259789, -58.0638962, 129.060211, 911.57074, -2219.82251, -3173.76025, 8053.76611},
    {1e25, 0, 1},
    {1e20, 1e15, 1e10, 1e5, 1, 1e-5, 1e-10, 1e-15, 1e-20, 1e-25},
    {3e38, 0, -1},
    {1, 0, -3.4028235e38},
    {1, 0, 0, 0, 0},
    {1, 2, 1},
    fromRoots({1, 1, 1, 1, -2, -2, -2}),
    fromRoots({0.5, 0.5, 3, 3, 3}),
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

struct Tally {
    int runs = 0;
    int solved = 0;
    int recovered = 0;
    double slowest = 0;

    void add(const std::vector<Wide>& c) {
        load(c);
        const int n = secant::coefficientTable.count - 1;
        const Clock::time_point start = Clock::now();
        const secant::FoundRoots roots = secant::findRoots();
        slowest = std::max(slowest, seconds(start));
        ++runs;
        solved += roots.count == n ? 1 : 0;
        bool standard = true;
        for (int k = 1; k <= roots.count; ++k) {
            standard = standard && roots.searches[static_cast<std::size_t>(k)].origin ==
                                       secant::RootOrigin::StandardSearch;
        }
        recovered += standard ? 0 : 1;
    }

    void print(const char* name) const {
        std::printf("%-26s %9d %7.2f%% %11.2f%% %8.2f ms\n", name, runs, 100.0 * solved / runs,
                    100.0 * recovered / runs, slowest * 1e3);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int perFamily = argc > 1 ? std::atoi(argv[1]) : 2000;
    secant::establishNumericEnvironment();
    std::printf("%-26s %9s %8s %12s %10s\n", "family", "equations", "solved", "recovered",
                "slowest");
    double slowest = 0;
    for (const Family& family : kFamilies) {
        Tally tally;
        for (int e = 0; e < perFamily; ++e) {
            tally.add(family.make(1 + static_cast<int>((*family.orders)() % 9)));
        }
        slowest = std::max(slowest, tally.slowest);
        tally.print(family.name);
    }
    Tally named;
    for (const std::vector<Wide>& c : kNamedEquations) {
        named.add(c);
    }
    slowest = std::max(slowest, named.slowest);
    named.print("named equations");
    // The time of an iteration at order 9 from a long search (x^9 + ... + 1
    // takes some 7000 iterations), then every root of order 9 down to 1 taking every
    // attempt in full.
    load({1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    const Clock::time_point start = Clock::now();
    const secant::GuardedSearch search = secant::findRootGuarded(
        secant::coefficientTable, secant::kSecantStart0, secant::kSecantStart1);
    const double search9 = seconds(start) * secant::kSecantMaxIterations / search.iteration;
    const double bound = 9 * (1 + secant::kMaxOtherAttempts) * search9;
    std::printf(
        "slowest run %.2f ms; a search of %d passes at order 9 %.2f ms, so no run can "
        "take more than %.0f ms (every root of order 9 taking every attempt in full)\n",
        slowest * 1e3, secant::kSecantMaxIterations, search9 * 1e3, bound * 1e3);
    // The refined listing at order 9 (the refinement, the multiplicity search
    // and the disks with the digits they justify), from the listing of the
    // run: over the order-9 equations named here and all at 0 moved apart.
    const std::vector<std::vector<Wide>> order9 = {
        {1, 1, 1, 1, 1, 1, 1, 1, 1, 1},           fromRoots(std::vector<Wide>(9, 1.0)),
        fromRoots({1, 2, 3, 4, 5, 6, 7, 8, 9}),   {1, 0, 0, 0, 0, 0, 0, 0, 0, 1e-38},
        fromRoots({3, 3, 3, 3, 3, 3, 3, -2, -2}), {1, 0, 0, 0, 0, 0, 0, 0, 0, -1}};
    double typical = 0;
    double longest = 0;
    for (const std::vector<Wide>& c : order9) {
        load(c);
        const secant::CoefficientTable asRead = secant::coefficientTable;
        const secant::FoundRoots roots = secant::findRoots();
        const std::array<Complex, secant::kMaxCoefficients> listed = roots.listed();
        constexpr int kRepeats = 20;
        const Clock::time_point refining = Clock::now();
        for (int r = 0; r < kRepeats; ++r) {
            secant::refineListing(asRead, listed, roots.count);
        }
        const double each = seconds(refining) / kRepeats;
        typical += each / static_cast<double>(order9.size());
        longest = std::max(longest, each);
    }
    std::printf("the refined roots at order 9: %.2f ms on average, at most %.2f ms\n",
                typical * 1e3, longest * 1e3);
    return 0;
}
