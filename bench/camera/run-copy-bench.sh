#!/usr/bin/env bash
# The copy stage of a load beside cp -r of the same card, alternating, three
# rounds each, warm page cache.
#
#   bench/camera/run-copy-bench.sh [CARD]     (default: the anchor card)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-bench"
card="${1:-/tmp/anchors/card}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMBREL_BENCH=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target copy_time >/dev/null
work="$(mktemp -d /tmp/lumbrel-copybench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
find "$card" -type f -exec cat {} + >/dev/null
for round in 1 2 3; do
    rm -rf "$work/cp"; start=$(date +%s.%N); cp -r "$card" "$work/cp"; end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "cp -r:                         %.3f s\n", e - s }'
    rm -rf "$work/cp"; sync
    rm -rf "$work/load"; "$build/bin/copy_time" "$card" "$work/load" | sed 's/^/copy stage (flushed at end):   /'
    rm -rf "$work/load"; sync
    rm -rf "$work/each"; "$build/bin/copy_time" --each "$card" "$work/each" | sed 's/^/copy stage (flushed one by one): /'
    rm -rf "$work/each"; sync
done
