#!/usr/bin/env bash
# The desktop program's benchmarks (Release, build-bench/), under Xvfb:
#  1. start: process start to the first painted main window with an index of
#     10,000 libraries and 200,000 images (the index benchmark's generator),
#     then idle and peak memory; three runs;
#  2. load: the longest gap between two repaints of the progress window while
#     a card of 1,000 pictures is loaded through the window;
#  3. the same load suspended half-way: how soon it stops;
#  4. a list page with 10,000 libraries: refill and sort, a column click,
#     the Copy page's space figure with every row selected.
# Everything is written to a temporary folder, removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMBREL_BENCH=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target ui_bench index_peak make-sample-card KdPlugin

work="$(mktemp -d /tmp/lumbrel-ui-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config LUMBREL_OPENER=/bin/true
mkdir -p "$XDG_CONFIG_HOME/Orrin"
# Automatic loading off: no watcher, no autostart entry; no title asked, no pages opened.
printf '[CameraImage]\nAutoTakeIn=1\n[Settings]\nShowLibrary=1\n' > "$XDG_CONFIG_HOME/Orrin/Lumbrel.conf"

echo "== start with 10,000 libraries / 200,000 images"
mkdir -p "$work/big"
"$build/bin/index_peak" make "$work/big/Lumbrel.kds" > /dev/null
for run in 1 2 3; do
    # The clock is read inside the X session, right before the program starts.
    xvfb-run -a -s "-screen 0 1280x900x24" sh -c 'LUMBREL_BENCH_T0=$(date +%s%N) exec "$0" start "$1"' \
        "$build/bin/ui_bench" "$work/big"
done

echo
echo "== load of 1,000 pictures through the window"
"$build/bin/make-sample-card" "$work/sample" > /dev/null
"$build/bin/ui_bench" card "$work/card" 1000 "$work/sample/DCIM/100ORRIN/ABCD0001.JPG"
printf 'removable\t%s/\n' "$work/card" > "$work/drives"
mkdir -p "$work/home"
LUMBREL_DRIVES="$work/drives" xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/ui_bench" load "$work/home"

echo
echo "== the same load suspended at 500 files"
mkdir -p "$work/home2"
LUMBREL_DRIVES="$work/drives" xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/ui_bench" suspend "$work/home2" 500

echo
echo "== a list page with 10,000 libraries"
xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/ui_bench" lists 10000
