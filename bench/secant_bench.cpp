// Costs of the solver's hot paths and of a whole dialogue.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "app/dialogue.hpp"
#include "bench/bare_search.hpp"
#include "platform/cp1251.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/polynomial.hpp"

namespace {

using secant::Complex;

void load(std::initializer_list<Complex> coefficients) {
    secant::coefficientTable = secant::CoefficientTable{};
    for (const Complex c : coefficients) {
        secant::coefficientTable
            .coefficients[static_cast<std::size_t>(secant::coefficientTable.count++)] = c;
    }
}

void loadNinthOrder() {
    load({{0.001F, 0},
          {0.01F, 0},
          {0.1F, 0},
          {1, 0},
          {2, 0},
          {3, 0},
          {4, 0},
          {5, 0},
          {6, 0},
          {7, 0}});
}

void BM_EvaluateNinthOrder(benchmark::State& state) {
    secant::establishNumericEnvironment();
    loadNinthOrder();
    const Complex x(0.3F, -0.7F);
    for (auto _ : state) {
        benchmark::DoNotOptimize(secant::evaluatePolynomial(x));
    }
}
BENCHMARK(BM_EvaluateNinthOrder);

// 1000 x^3 - 1 makes all 10000 iterations: the cost per iteration of the search as built.
void BM_SearchIterationLimitChecked(benchmark::State& state) {
    secant::establishNumericEnvironment();
    load({{1000, 0}, {0, 0}, {0, 0}, {-1, 0}});
    for (auto _ : state) {
        secant::clearArithmeticFlags();
        const secant::SecantResult result = secant::findRootSecant();
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(secant::raisedArithmeticFlags());
    }
    state.SetItemsProcessed(state.iterations() * secant::kSecantMaxIterations);
}
BENCHMARK(BM_SearchIterationLimitChecked)->Unit(benchmark::kMillisecond);

void BM_SearchIterationLimitBare(benchmark::State& state) {
    secant::establishNumericEnvironment();
    load({{1000, 0}, {0, 0}, {0, 0}, {-1, 0}});
    for (auto _ : state) {
        benchmark::DoNotOptimize(secant::bench::bareSearch(secant::kSecantMaxIterations));
    }
    state.SetItemsProcessed(state.iterations() * secant::kSecantMaxIterations);
}
BENCHMARK(BM_SearchIterationLimitBare)->Unit(benchmark::kMillisecond);

// One secant iteration at order 9 (the ninth-order search converges in a handful).
void BM_SearchNinthOrder(benchmark::State& state) {
    secant::establishNumericEnvironment();
    loadNinthOrder();
    int iterations = 0;
    for (auto _ : state) {
        secant::clearArithmeticFlags();
        const secant::SecantResult result = secant::findRootSecant();
        iterations = result.iterations;
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * iterations);
    state.counters["iterations"] = iterations;
}
BENCHMARK(BM_SearchNinthOrder);

void BM_ExtractTenCoefficients(benchmark::State& state) {
    const std::string input = "(1.5,-2) 3 -4.25e-3 (7) (0,1) 1e10 -0.5 (2,2) 8 -9.75";
    for (auto _ : state) {
        std::istringstream in(input);
        Complex z;
        for (int i = 0; i < 10; ++i) {
            in >> z;
        }
        benchmark::DoNotOptimize(z);
    }
}
BENCHMARK(BM_ExtractTenCoefficients);

int noKey() {
    return -1;
}

void BM_DialogueQuadratic(benchmark::State& state) {
    for (auto _ : state) {
        secant::establishNumericEnvironment();
        secant::coefficientTable = secant::CoefficientTable{};
        std::istringstream in("2\n1 -3 2\n");
        std::ostringstream out;
        std::ostringstream err;
        secant::Console console{in, out, err, &secant::printUtf8, &noKey, nullptr};
        benchmark::DoNotOptimize(secant::runDialogue(console));
    }
}
BENCHMARK(BM_DialogueQuadratic);

}  // namespace

BENCHMARK_MAIN();
