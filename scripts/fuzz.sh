#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60): the vault loaders over a copy of the seed corpus in
# fuzz/corpus, the importers of other managers' files over fuzz/interop-corpus.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

SECONDS_TO_RUN=${1:-60}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCOFFERIX_SANITIZE=ON -DCOFFERIX_FUZZ=ON -DCOFFERIX_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target vault_fuzzer interop_fuzzer

corpus="$BUILD_DIR/fuzz-corpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$BUILD_DIR/fuzz/vault_fuzzer" -max_total_time="$SECONDS_TO_RUN" -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 "$@" "$corpus" fuzz/corpus

interop_corpus="$BUILD_DIR/interop-fuzz-corpus"
mkdir -p "$interop_corpus"
"$BUILD_DIR/fuzz/interop_fuzzer" -max_total_time="$SECONDS_TO_RUN" -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 "$@" "$interop_corpus" fuzz/interop-corpus
