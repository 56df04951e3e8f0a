#!/usr/bin/env bash
# Builds and runs the whole test suite. Installs the Debian packages it needs
# when they are missing and it runs as root; otherwise names them and stops.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev googletest python3
    g++-mingw-w64-x86-64 wine wine64 tmux)

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

run_suite() {
    local preset=$1
    echo "=== suite: $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
}

run_suite default
run_suite windows
