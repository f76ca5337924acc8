#!/usr/bin/env bash
# Builds an optimised program and starts it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-release}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j2 --target cofferix cofferix-cli
exec "$BUILD_DIR/src/app/cofferix" "$@"
