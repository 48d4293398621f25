#!/usr/bin/env bash
# Builds Brevlin and runs the whole test suite: a normal build with warnings as errors, then the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer. Printing is tested for real against a
# private CUPS scheduler with a virtual PDF printer, started here and stopped on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup-deps.sh

jobs=$(nproc)
build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja -DBREVLIN_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# The scheduler's folder must be reachable by user lp, which runs the print filters.
cups_dir=$(mktemp -d /tmp/brevlin-cups.XXXXXX)
chmod 755 "$cups_dir"
trap 'scripts/cups-sandbox.sh stop "$cups_dir" >/dev/null 2>&1 || true; rm -rf "$cups_dir"' EXIT
cups_env=$(scripts/cups-sandbox.sh start "$cups_dir")
eval "$cups_env"
export BREVLIN_REQUIRE_PRINTER=1

build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build/test && ctest --output-on-failure -j "$jobs")

build build/asan -DCMAKE_BUILD_TYPE=Debug -DBREVLIN_SANITIZE=ON
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs")

echo "All tests passed (normal and sanitizer builds)."
