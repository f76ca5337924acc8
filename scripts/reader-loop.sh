#!/usr/bin/env bash
# Readers beside a busy writer: runs `cofferix-cli check` ROUNDS times (1000 unless given)
# while another cofferix-cli adds records one after another, and counts the checks that
# failed. Each writer's save renames a new file over the vault; a reader must follow it and
# wait, never give up. Usage: scripts/reader-loop.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${1:-build-release}
ROUNDS=${2:-1000}
CLI="$BUILD_DIR/src/cli/cofferix-cli"
[[ -x "$CLI" ]] || { echo "no $CLI: build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'kill "${writer:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
vault="$work/vault.dat"
master="reader-loop-master"
printf '%s\n%s\n' "$master" "$master" | "$CLI" create "$vault" --password-stdin >/dev/null

(
    i=0
    while :; do
        i=$((i + 1))
        printf '%s\n' "$master" | "$CLI" add "$vault" Busy "record $i" --generate \
            --password-stdin >/dev/null 2>&1 || true
    done
) &
writer=$!

failed=0
for ((round = 1; round <= ROUNDS; round++)); do
    if ! printf '%s\n' "$master" | "$CLI" check "$vault" --password-stdin >/dev/null 2>"$work/err"; then
        failed=$((failed + 1))
        echo "check $round failed: $(cat "$work/err")" >&2
    fi
done
kill "$writer" 2>/dev/null || true
wait "$writer" 2>/dev/null || true
echo "reader loop: $ROUNDS checks beside a busy writer, $failed failed"
[[ $failed -eq 0 ]]
