#!/usr/bin/env bash
# Fuzzes the index reader for SECONDS (default 600) with libFuzzer, ASan and UBSan.
#   tools/fuzz-index.sh [SECONDS]
# Configures a clang build in build-fuzz/, writes the seeds into the corpus
# folder (/tmp/lumbrel-fuzz-corpus, or $LUMBREL_FUZZ_CORPUS) and runs
# index_reader_fuzz on it. A crashing input is kept in
# build-fuzz/crashes/ and the script then exits non-zero.
# Replay one:  build-fuzz/bin/index_reader_fuzz build-fuzz/crashes/crash-...
set -euo pipefail

seconds="${1:-600}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMBREL_FUZZ=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target index_reader_fuzz make_index_seeds

# The corpus is kept between runs so each run goes on from the last; the seeds
# are written anew every time.
corpus="${LUMBREL_FUZZ_CORPUS:-/tmp/lumbrel-fuzz-corpus}"
mkdir -p "$corpus"
"$build/bin/make_index_seeds" "$corpus"
echo "corpus: $(ls "$corpus" | wc -l) files in $corpus"

mkdir -p "$build/crashes"
before="$(ls "$build/crashes" | wc -l)"
log="$build/fuzz-0.log"   # with -jobs the fuzzer writes its output to fuzz-0.log in the current folder
rm -f "$log"
echo "fuzzing for $seconds s; progress in $log"
status=0
# The parent process repeats the whole log when the job ends: keep that out of the way.
(cd "$build" && exec "$build/bin/index_reader_fuzz" "$corpus" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -jobs=1 \
    -print_final_stats=1 -artifact_prefix="$build/crashes/" >"$build/fuzz-parent.log" 2>&1) || status=$?
if [[ -f "$log" ]]; then
    grep -E '^#[0-9]+' "$log" | tail -n 1 || true
    grep -E '^stat::' "$log" | sort -u || true
    if [[ $status -ne 0 ]]; then
        grep -E -A 25 'ERROR: |runtime error|index_reader_fuzz: |deadly signal|out-of-memory|timeout after' "$log" | head -n 60 || true
    fi
fi
after="$(ls "$build/crashes" | wc -l)"

if [[ $status -ne 0 || $after -ne $before ]]; then
    echo "fuzzing found a fault (exit $status); inputs in $build/crashes/:" >&2
    ls -l "$build/crashes" >&2
    exit 1
fi
echo "no fault found in $seconds s"
