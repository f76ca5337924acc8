#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer,
# warnings as errors, and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-test}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOFFERIX_SANITIZE=ON \
    -DCOFFERIX_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# Leaks inside third-party libraries only, each named in the file.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$BUILD_DIR"
ctest --output-on-failure -j2 --timeout 600

# The vault loaders against a minute of hostile input (clang, libFuzzer).
cd "$ROOT"
bash scripts/fuzz.sh 60
