#!/usr/bin/env bash
# Builds and runs the test suite, stage by stage:
#
#   native        the native suite (unit, recorded sessions, pseudo-terminal sessions)
#   soft          the native suite with the software extended arithmetic forced on
#   arm64         the ARM64 suite under qemu-user
#   windows       the Windows suite under Wine
#   sanitize      the native suite under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz          the fuzzers, for a bounded time
#   lint          clang-format, clang-tidy and cppcheck
#   coverage      line coverage, with its gate
#   differential  the long run of the software arithmetic against the x87 unit
#   bench         the benchmarks (figures only, never a failure for a slow machine)
#
# Usage: tests/run-all.sh [STAGE...]   (no stage: all of them, in this order)
#
# Installs the Debian packages the chosen stages need when they are missing
# and it runs as root; otherwise names them and stops. Prints the time each
# stage took and names the stage that failed.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(native soft arm64 windows sanitize fuzz lint coverage differential bench)

base_packages=(cmake ninja-build g++ libgtest-dev googletest python3)
declare -A stage_packages=(
    [native]=""
    [soft]=""
    [arm64]="g++-aarch64-linux-gnu qemu-user"
    [windows]="g++-mingw-w64-x86-64 wine wine64 tmux"
    [sanitize]=""
    [fuzz]="clang libclang-rt-14-dev"
    [lint]="clang-tidy clang-format cppcheck"
    [coverage]="gcovr"
    [differential]=""
    [bench]="libbenchmark-dev hyperfine"
)

stages=("$@")
if ((${#stages[@]} == 0)); then
    stages=("${all_stages[@]}")
fi
for stage in "${stages[@]}"; do
    if [[ ! -v "stage_packages[$stage]" ]]; then
        echo "run-all: unknown stage '$stage'; the stages are: ${all_stages[*]}" >&2
        exit 2
    fi
done

install_missing() {
    local packages=("${base_packages[@]}") missing=() stage package
    for stage in "${stages[@]}"; do
        read -r -a more <<<"${stage_packages[$stage]}"
        packages+=("${more[@]}")
    done
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    ((${#missing[@]} > 0)) || return 0
    if [[ $(id -u) -ne 0 ]]; then
        echo "run-all: missing packages: ${missing[*]} (install them, or run as root)" >&2
        exit 1
    fi
    echo "run-all: installing ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

run_suite() {
    local preset=$1
    echo "=== suite: $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
}

stage_native() { run_suite default; }
stage_soft() { run_suite soft; }
stage_arm64() { run_suite arm64; }
stage_windows() { run_suite windows; }
stage_sanitize() { run_suite sanitize; }

stage_fuzz() {
    run_suite fuzz
    grep -h "number_of_executed_units" build/fuzz/Testing/Temporary/LastTest.log
}

stage_lint() {
    # One list: every tracked C++ file is formatted; the product's own
    # sources, less the Windows layer that this machine cannot parse, are
    # checked by clang-tidy (against the native build's compile database)
    # and cppcheck.
    mapfile -t every < <(git ls-files '*.cpp' '*.hpp')
    mapfile -t product < <(git ls-files 'app/*.cpp' 'solver/*.cpp' 'platform/*.cpp' |
        grep -v '^platform/windows/')
    [[ -f build/default/compile_commands.json ]] || cmake --preset default
    clang-format --dry-run --Werror "${every[@]}"
    clang-tidy -p build/default --quiet "${product[@]}"
    cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
        --std=c++20 -I . "${product[@]}"
    echo "static checks: clang-format, clang-tidy and cppcheck found nothing"
}

stage_coverage() {
    cmake --preset coverage
    cmake --build --preset coverage
    find build/coverage -name '*.gcda' -delete
    ctest --preset coverage
    gcovr -r . build/coverage --filter 'solver/' --filter 'app/' --filter 'platform/cp1251' \
        --filter 'platform/keys' --exclude-unreachable-branches --print-summary \
        --fail-under-line 95
}

stage_differential() {
    echo "software arithmetic against the x87 unit, ten million sets per operation"
    cmake --preset default
    cmake --build --preset default
    ctest --preset differential-long
}

stage_bench() {
    local preset round side_by_side=()
    for preset in bench bench-soft; do
        cmake --preset "$preset"
        cmake --build --preset "$preset"
    done
    build/bench/secant_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_min_time=0.2
    # The x87 and the software arithmetic side by side, alternating runs so
    # that a change in the machine's load falls on both; the fastest run of
    # each counts.
    for round in 1 2 3; do
        for preset in bench bench-soft; do
            build/$preset/secant_bench --benchmark_filter='Search|Evaluate' \
                --benchmark_min_time=0.2 --benchmark_repetitions=3 \
                --benchmark_out="build/$preset/side-by-side-$round.json" \
                --benchmark_out_format=json >/dev/null 2>&1
        done
        side_by_side+=(--hardware "build/bench/side-by-side-$round.json"
            --software "build/bench-soft/side-by-side-$round.json")
    done
    python3 bench/compare.py "${side_by_side[@]}"
    local input=tests/e2e/cases/two_real_roots.in
    hyperfine --warmup 20 --runs 200 \
        "setsid build/bench/secant < $input > /dev/null" \
        "setsid build/bench/minimal_writer < $input > /dev/null" || true
}

install_missing

declare -A took=()
failed=""
for stage in "${stages[@]}"; do
    echo "=== stage: $stage"
    start=$SECONDS
    set +e
    (
        set -euo pipefail
        "stage_$stage"
    )
    status=$?
    set -e
    took[$stage]=$((SECONDS - start))
    if ((status != 0)); then
        failed=$stage
        break
    fi
    echo "=== stage $stage passed in ${took[$stage]} s"
done

echo "=== time per stage"
for stage in "${stages[@]}"; do
    [[ -v "took[$stage]" ]] && printf '  %-13s %5d s\n' "$stage" "${took[$stage]}"
done
if [[ -n $failed ]]; then
    echo "run-all: stage '$failed' failed (after ${took[$failed]} s)" >&2
    exit 1
fi
echo "run-all: every stage passed: ${stages[*]}"
