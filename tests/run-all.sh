#!/usr/bin/env bash
# Builds and runs the test suite, stage by stage:
#
#   native        the native suite (unit, recorded sessions, pseudo-terminal sessions)
#   soft          the native suite with the software extended arithmetic forced on
#   arm64         the ARM64 suite under qemu-user
#   windows       the Windows suite under Wine
#   package       the .deb, .tar.gz and ZIP packages and the manual page, checked
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

all_stages=(native soft arm64 windows package sanitize fuzz lint coverage differential bench)

base_packages=(cmake ninja-build g++ libgtest-dev googletest python3 python3-mpmath strace)
declare -A stage_packages=(
    [native]=""
    [soft]=""
    [arm64]="g++-aarch64-linux-gnu qemu-user"
    [windows]="g++-mingw-w64-x86-64 wine wine64 tmux"
    [package]="dpkg-dev man-db groff-base unzip g++-mingw-w64-x86-64 wine wine64"
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

# The tests run side by side: as many at a time as the test presets say.
run_suite() {
    local preset=$1 tests=${2:-$1}
    echo "=== suite: $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$tests"
}

# The quick loop's tests (ctest --preset default) with the long tests at their
# full size instead of the quick one.
stage_native() { run_suite default native; }
stage_soft() { run_suite soft; }
stage_arm64() { run_suite arm64; }
stage_windows() { run_suite windows; }
stage_sanitize() { run_suite sanitize; }

package_fail() {
    echo "package: $*" >&2
    exit 1
}

stage_package() {
    # The packages are looked at from outside: unpacked into a temporary
    # folder, never installed on this machine.
    local version arch tmp deb tgz zip prefix option
    version=$(sed -n 's/^project(secant VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
    arch=$(dpkg --print-architecture)
    deb=build/packages/secant_${version}_$arch.deb
    tgz=build/packages/secant-$version-Linux-$(uname -m).tar.gz
    zip=build/packages/secant-$version-win64.zip
    tmp=$(mktemp -d)
    trap "rm -rf -- ${tmp@Q}" EXIT
    cmake --workflow --preset release
    cmake --workflow --preset release-windows

    echo "--- the manual page"
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l docs/secant.1 \
        >"$tmp/secant.txt" 2>"$tmp/warnings"
    groff -ww -z -man -K utf8 -Tutf8 docs/secant.1 2>>"$tmp/warnings"
    if [[ -s $tmp/warnings ]]; then
        cat "$tmp/warnings" >&2
        package_fail "docs/secant.1 does not check clean"
    fi
    grep -q "^\.TH SECANT 1 [^ ]* \"secant $version\"" docs/secant.1 ||
        package_fail "docs/secant.1 is not the page of version $version"
    echo "man --warnings and groff -ww: no warnings"

    echo "--- $deb"
    dpkg-deb -I "$deb"
    [[ $(dpkg-deb -f "$deb" Package) == secant ]] || package_fail "Package is not secant"
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || package_fail "Version is not $version"
    [[ $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] || package_fail "Architecture is not $arch"
    [[ $(dpkg-deb -f "$deb" Maintainer) =~ ^[^\<]+\ \<[^\>]+@[^\>]+\>$ ]] ||
        package_fail "Maintainer is not a name and an address"
    [[ -n $(dpkg-deb -f "$deb" Section) && -n $(dpkg-deb -f "$deb" Priority) ]] ||
        package_fail "no Section or Priority"
    (($(dpkg-deb -f "$deb" Description | wc -l) > 1)) ||
        package_fail "Description has no long description"
    [[ $(dpkg-deb -f "$deb" Depends) =~ ^libc6(\ \([^\)]*\))?$ ]] ||
        package_fail "Depends is more than the C library"
    dpkg-deb -c "$deb"
    [[ $(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort | paste -sd ' ') == \
        "./usr/bin/secant ./usr/share/man/man1/secant.1.gz" ]] ||
        package_fail "the .deb holds other files than the program and its manual page"
    dpkg-deb -x "$deb" "$tmp/deb"
    python3 tests/e2e/run_case.py "$tmp/deb/usr/bin/secant" tests/e2e/cases two_real_roots
    [[ $("$tmp/deb/usr/bin/secant" --version) == "secant $version" ]] ||
        package_fail "the program in the .deb is not version $version"
    zcat "$tmp/deb/usr/share/man/man1/secant.1.gz" | cmp - docs/secant.1
    "$tmp/deb/usr/bin/secant" --help >"$tmp/help"
    for option in $(grep -oE -- '-{1,2}[a-z]+' "$tmp/help" | sort -u); do
        grep -qwF -- "$option" "$tmp/secant.txt" ||
            package_fail "the manual page does not describe $option"
    done
    echo "the program in the .deb runs two_real_roots byte for byte; its page has every option"

    echo "--- $tgz"
    tar -tvzf "$tgz"
    [[ $(tar -tzf "$tgz" | grep -v '/$' | sed 's|^[^/]*/||' | sort | paste -sd ' ') == \
        "bin/secant share/man/man1/secant.1.gz" ]] ||
        package_fail "the .tar.gz holds other files than the program and its manual page"
    mkdir "$tmp/tgz"
    tar -xzf "$tgz" -C "$tmp/tgz"
    cmp "$tmp/tgz"/*/bin/secant "$tmp/deb/usr/bin/secant"
    echo "the .tar.gz holds the program of the .deb"

    echo "--- $zip"
    unzip -l "$zip"
    [[ $(unzip -Z1 "$zip" | sort | paste -sd ' ') == "readme.txt secant.exe" ]] ||
        package_fail "the ZIP holds other files than secant.exe and readme.txt"
    unzip -q "$zip" -d "$tmp/zip"
    python3 - "$tmp/zip/readme.txt" docs/readme-windows.txt <<'PYTHON'
import pathlib
import sys

data = pathlib.Path(sys.argv[1]).read_bytes()
source = pathlib.Path(sys.argv[2]).read_text(encoding="utf-8")
lines = data.split(b"\r\n")
if lines[-1] != b"" or any(b"\r" in line or b"\n" in line for line in lines):
    sys.exit("readme.txt: a line that does not end in CR LF")
try:
    text = data.decode("cp1251")
except UnicodeDecodeError as error:
    sys.exit(f"readme.txt: not Windows-1251: {error}")
if text != source.replace("\n", "\r\n"):
    sys.exit("readme.txt: not the text of docs/readme-windows.txt")
PYTHON
    printf 'π\n' >"$tmp/pi.txt"
    if cmake -DICONV="$(command -v iconv)" -DINPUT="$tmp/pi.txt" -DOUTPUT="$tmp/pi-1251.txt" \
        -P cmake/Cp1251Text.cmake >/dev/null 2>&1; then
        package_fail "the conversion to Windows-1251 took a character that it lacks"
    fi
    echo "readme.txt is the text in Windows-1251 with CR LF; a character it lacks is refused"
    # As in the Windows suite: Wine takes the code pages from the locale's
    # name (ANSI 1251, OEM 866), whether or not the locale is installed.
    prefix=$PWD/build/windows/wineprefix
    [[ -d $prefix ]] || cmake/wine-run.sh "$prefix" wineboot -i
    python3 tests/e2e/run_case.py --encoding cp866 --crlf "$tmp/zip/secant.exe" \
        tests/e2e/cases two_real_roots env LC_ALL=ru_RU.UTF-8 cmake/wine-run.sh "$prefix"
    echo "secant.exe from the ZIP runs two_real_roots under Wine byte for byte"
}

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
    # A file at a time, as many side by side as the machine has cores.
    printf '%s\0' "${product[@]}" | xargs -0 -n 1 -P "$(nproc)" clang-tidy -p build/default --quiet
    cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet \
        -j "$(nproc)" --std=c++20 -I . "${product[@]}"
    echo "static checks: clang-format, clang-tidy and cppcheck found nothing"
}

stage_coverage() {
    cmake --preset coverage
    cmake --build --preset coverage
    find build/coverage -name '*.gcda' -delete
    ctest --preset coverage
    gcovr -r . build/coverage --filter 'solver/' --filter 'app/' \
        --filter 'platform/cp1251' --filter 'platform/keys' \
        --exclude-unreachable-branches --print-summary --fail-under-line 95
}

stage_differential() {
    echo "software arithmetic against the x87 unit, ten million sets per operation"
    # The native stage's build, when there is one: brought up to date, not made anew.
    [[ -f build/default/build.ninja ]] || cmake --preset default
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
    # The whole program against the minimal loop of the same arithmetic on a long search.
    local heavy=()
    for round in 1 2 3; do
        hyperfine --warmup 5 --runs 60 --export-json "build/bench/heavy-$round.json" \
            "setsid build/bench/secant < bench/heavy_search.in > /dev/null" \
            "setsid build/bench/minimal_search < bench/heavy_search.in > /dev/null" >/dev/null ||
            true
        heavy+=(--programs "build/bench/heavy-$round.json")
    done
    python3 bench/compare.py "${side_by_side[@]}" "${heavy[@]}"
    # Every equation solved: the share per random family, and the time a run can take.
    build/bench/families 2000
    build/bench-soft/families 2000 | tail -n 1
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
