#!/usr/bin/env bash
# Album pages of a library of camera pictures beside exiftool reading the same
# recording properties of the same files in one process.
#
#   bench/plugin/run-album-bench.sh [CARD_DCIM] [COUNT]
#
# CARD_DCIM defaults to the anchor card (../shared/bench/make-anchor-card.sh
# writes it to /tmp/anchors/card); its JPEGs are repeated (hard links) up to
# COUNT pictures (default 1000) in a single-date library folder under /tmp.
# Runs three rounds of each, alternating, with a warm page cache.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-bench"
card="${1:-/tmp/anchors/card/DCIM}"
count="${2:-1000}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMBREL_BENCH=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target album_time >/dev/null

work="$(mktemp -d /tmp/lumbrel-albumbench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
library="$work/20240101"
mkdir -p "$library"
mapfile -t sources < <(find "$card" -type f -iname '*.jpg' | sort)
[ ${#sources[@]} -gt 0 ] || { echo "no JPEG files under $card" >&2; exit 1; }
for ((i = 0; i < count; i++)); do
    src="${sources[i % ${#sources[@]}]}"
    printf -v name 'ABCD%04d.JPG' $((i + 1))
    ln "$src" "$library/$name" 2>/dev/null || cp "$src" "$library/$name"
done
du -shL "$library" | sed 's/^/library size: /'
cat "$library"/*.JPG >/dev/null  # warm the page cache

tags=(-fast2 -ExposureTime -FNumber -ExposureProgram -MeteringMode -Flash -DateTimeOriginal
      -Model -Make -Orientation -ExposureCompensation -ImageWidth -ImageHeight -FileSize)
for round in 1 2 3; do
    echo "round $round"
    "$build/bin/album_time" "$library" 0 | sed 's/^/  album pages: /'
    rm -rf "$library/HTML" "$library/INDEX.HTM"
    if command -v exiftool >/dev/null; then
        start=$(date +%s.%N)
        exiftool "${tags[@]}" "$library"/*.JPG >/dev/null
        end=$(date +%s.%N)
        awk -v s="$start" -v e="$end" -v n="$count" \
            'BEGIN { printf "  exiftool -fast2: total %.3f s  per file %.3f ms\n", e - s, (e - s) * 1000 / n }'
    fi
done
