#!/usr/bin/env bash
# Builds and runs the whole test suite: the native suite, the suite with the
# software extended arithmetic forced on, the ARM64 suite under qemu-user, the
# Windows suite under Wine, the sanitizer suite, the fuzzers for a bounded
# time, the static checks, line coverage, the long differential run of the
# software arithmetic against the x87 unit, and the benchmarks. Installs the Debian packages it
# needs when they are missing and it runs as root; otherwise names them and stops.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest python3
    g++-mingw-w64-x86-64 wine wine64 tmux clang-tidy clang-format cppcheck gcovr
    libbenchmark-dev hyperfine g++-aarch64-linux-gnu qemu-user)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]} > 0)); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "run-all: missing packages: ${missing[*]} (install them, or run as root)" >&2
        exit 1
    fi
    echo "run-all: installing ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

sources=(app/*.cpp app/*.hpp solver/*.cpp solver/*.hpp platform/*.cpp platform/*.hpp
    platform/posix/*.cpp platform/windows/*.cpp platform/windows/*.hpp)

run_suite() {
    local preset=$1
    echo "=== suite: $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
}

run_suite default
run_suite soft
run_suite arm64
run_suite windows
run_suite sanitize

echo "=== fuzzers"
run_suite fuzz
grep -h "number_of_executed_units" build/fuzz/Testing/Temporary/LastTest.log

echo "=== static checks"
clang-format --dry-run --Werror "${sources[@]}" tests/*.cpp tests/*.hpp tests/fuzz/*.cpp bench/*.cpp \
    bench/*.hpp
clang-tidy -p build/default --quiet app/*.cpp solver/*.cpp platform/*.cpp platform/posix/*.cpp
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
    --std=c++20 -I . app solver platform/cp1251.cpp platform/keys.cpp platform/posix
echo "static checks: clang-format, clang-tidy and cppcheck found nothing"

echo "=== coverage"
cmake --preset coverage
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
ctest --preset coverage
gcovr -r . build/coverage --filter 'solver/' --filter 'app/' --filter 'platform/cp1251' \
    --filter 'platform/keys' --exclude-unreachable-branches --print-summary --fail-under-line 95

echo "=== differential: software arithmetic against the x87 unit, ten million sets per operation"
ctest --preset differential-long

echo "=== benchmarks (figures only, never a failure for a slow machine)"
for preset in bench bench-soft; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
build/bench/secant_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2
# The x87 and the software arithmetic side by side, alternating runs so that
# a change in the machine's load falls on both; the fastest run of each counts.
side_by_side=()
for round in 1 2 3; do
    for preset in bench bench-soft; do
        build/$preset/secant_bench --benchmark_filter='Search|Evaluate' --benchmark_min_time=0.2 \
            --benchmark_repetitions=3 --benchmark_out="build/$preset/side-by-side-$round.json" \
            --benchmark_out_format=json >/dev/null 2>&1
    done
    side_by_side+=(--hardware "build/bench/side-by-side-$round.json"
        --software "build/bench-soft/side-by-side-$round.json")
done
# The whole program against the minimal loop of the same arithmetic on a long search.
heavy=()
for round in 1 2 3; do
    hyperfine --warmup 5 --runs 60 --export-json "build/bench/heavy-$round.json" \
        "setsid build/bench/secant < bench/heavy_search.in > /dev/null" \
        "setsid build/bench/minimal_search < bench/heavy_search.in > /dev/null" >/dev/null || true
    heavy+=(--programs "build/bench/heavy-$round.json")
done
python3 bench/compare.py "${side_by_side[@]}" "${heavy[@]}"
input=tests/e2e/cases/two_real_roots.in
hyperfine --warmup 20 --runs 200 \
    "setsid build/bench/secant < $input > /dev/null" \
    "setsid build/bench/minimal_writer < $input > /dev/null" || true
echo "run-all: every suite passed"
