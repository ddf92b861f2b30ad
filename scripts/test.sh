#!/usr/bin/env bash
# Builds and runs the whole suite twice, plainly and under AddressSanitizer with
# UndefinedBehaviorSanitizer, cross-compiles the portable libraries for 32-bit
# Windows, and checks the formatting. Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

echo "== plain build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DP03_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitized build and tests"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DP03_WERROR=ON -DP03_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== 32-bit Windows cross-compile of protocol/ and serial/"
cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DP03_WERROR=ON -DP03_BUILD_APP=OFF -DP03_BUILD_TOOL=OFF -DP03_BUILD_TESTS=OFF
cmake --build build-mingw -j "$jobs"

echo "== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== all checks passed"
