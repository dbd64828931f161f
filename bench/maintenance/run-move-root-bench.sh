#!/usr/bin/env bash
# The move of the image library root holding the anchor card's libraries,
# beside mv of the same tree and cp -a + sync + rm -r, alternating, five rounds
# each, warm page cache: to another folder of the same file system, and to a
# tmpfs (/dev/shm).
#
#   bench/maintenance/run-move-root-bench.sh [CARD]   (default: the anchor card)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-bench"
card="${1:-/tmp/anchors/card}"
rounds="${ROUNDS:-5}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMBREL_BENCH=ON -DLUMBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target move_root_time lumbrel-cli KdPlugin >/dev/null
work="$(mktemp -d /tmp/lumbrel-moveroot.XXXXXX)"
shm="$(mktemp -d /dev/shm/lumbrel-moveroot.XXXXXX)"
trap 'rm -rf "$work" "$shm"' EXIT
export XDG_CONFIG_HOME="$work/run/conf" XDG_DATA_HOME="$work/run/data"

# The libraries: the card loaded once (copied) into run/home; seed/ keeps
# them, and every round starts from it at the same place (the index holds
# absolute paths).
mkdir -p "$work/run"
"$build/bin/lumbrel-cli" --home "$work/run/home" load --yes --no-open --copy "$card/DCIM" >/dev/null
cp -a "$work/run" "$work/seed"
tree="$work/run/home/Image Library"
echo "library: $(find "$tree" -type f | wc -l) files, $(du -sm "$tree" | cut -f1) MB"
restore() { rm -rf "$work/run" "$1"; cp -a "$work/seed" "$work/run"; mkdir -p "$1"; sync; }
seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.4f", e - s }'; }

declare -A times
for round in $(seq "$rounds"); do
    for place in same tmpfs; do
        if [ "$place" = same ]; then dest="$work/dest"; else dest="$shm/dest"; fi
        restore "$dest"
        t=$("$build/bin/move_root_time" "$work/run/home" "$dest" | awk '{print $(NF-1)}')
        times[$place,ours]+="$t "
        restore "$dest"
        s=$(date +%s.%N); mv "$tree" "$dest/"; e=$(date +%s.%N)
        times[$place,mv]+="$(seconds "$s" "$e") "
        restore "$dest"
        s=$(date +%s.%N); cp -a "$tree" "$dest/" && sync && rm -r "$tree"; e=$(date +%s.%N)
        times[$place,cp]+="$(seconds "$s" "$e") "
    done
done
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for place in same tmpfs; do
    ours=$(echo "${times[$place,ours]}" | median)
    mv=$(echo "${times[$place,mv]}" | median)
    cp=$(echo "${times[$place,cp]}" | median)
    awk -v p="$place" -v o="$ours" -v m="$mv" -v c="$cp" 'BEGIN {
        printf "%-6s  move-root %.1f ms   mv %.1f ms (%.2fx)   cp -a+sync+rm -r %.1f ms (%.2fx)\n",
               p, o * 1000, m * 1000, o / m, c * 1000, o / c }'
    echo "        rounds: ours ${times[$place,ours]}| mv ${times[$place,mv]}| cp ${times[$place,cp]}"
done
