#!/usr/bin/env bash
# Builds the index benchmarks (Release, build-bench/), runs index_bench, then
# index_peak make / open / save, each step in its own process, and prints a
# summary. open and save run three times; the summary takes the median rate.
# Generated files go to a temporary folder in /tmp, removed at the end.
# Arguments are passed to index_bench (e.g. --benchmark_filter=Read).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-bench"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMBREL_BENCH=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target index_bench index_peak

work="$(mktemp -d /tmp/lumbrel-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

echo
echo "== index_bench"
"$build/bin/index_bench" --benchmark_min_time=1 "$@"

echo
echo "== index_peak (one process per step)"
peak() { "$build/bin/index_peak" "$@" | tee -a "$work/peak.txt"; }
peak make "$work/sample.kds"
for run in 1 2 3; do peak open "$work/sample.kds"; done
for run in 1 2 3; do peak save "$work/sample.kds" "$work/saved.kds"; done
if ! cmp -s "$work/sample.kds" "$work/saved.kds"; then
    echo "the saved file differs from the one opened" >&2
    exit 1
fi

# values STEP NAME: NAME=... of each line of STEP, units dropped
values() {
    awk -v step="$1" -v name="$2" '$1 == step {
        for (i = 2; i <= NF; ++i) if (index($i, name "=") == 1) {
            v = substr($i, length(name) + 2); sub(/MB\/s$|MB$|s$/, "", v); print v } }' "$work/peak.txt"
}
median() { values "$1" "$2" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { values "$1" "$2" | sort -g | tail -n 1; }

echo
echo "== summary (targets: at least 200 MB/s both ways, peak RSS under 3 x the file)"
printf '%-30s %s MB\n' "file size" "$(values make file)"
printf '%-30s %s MB/s (median of 3)\n' "open" "$(median open rate)"
printf '%-30s %s MB/s (median of 3, with fsync)\n' "save" "$(median save rate)"
printf '%-30s %s x file (%s MB)\n' "peak RSS, open" "$(largest open peak/file)" "$(largest open peakRSS)"
printf '%-30s %s x file (%s MB)\n' "peak RSS, open then save" "$(largest save peak/file)" "$(largest save peakRSS)"
