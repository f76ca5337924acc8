#!/usr/bin/env bash
# Builds the benchmarks optimised and runs every one of them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-release}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j2
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for bench in "$BUILD_DIR"/bench/bench_*; do
    [[ -x "$bench" ]] || continue
    echo "== $(basename "$bench")"
    "$bench" "$@"
done
