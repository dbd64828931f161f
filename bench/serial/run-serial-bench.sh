#!/usr/bin/env bash
# A batch transfer of the sample card through the simulated camera paced at
# 115200 baud (8N1: 11,520 bytes a second on the line), timed end to end:
# the payload rate against the line's raw capacity and against what the block
# format allows (each block carries at most 1544 data bytes in 1549 line
# bytes, and each file ends with an empty block), and the CPU time the program
# spends per MB received.
#
#   bench/serial/run-serial-bench.sh            (BUILD_DIR: default build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake --build "$build" -j2 --target lumbrel-cli camera-sim make-sample-card >/dev/null
work="$(mktemp -d /tmp/lumbrel-serial.XXXXXX)"
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/conf" LUMBREL_OPENER=/bin/true

"$build/bin/make-sample-card" "$work/card" >/dev/null
"$build/bin/camera-sim" "$work/card" --pace --link "$work/tty" >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done

# The files the camera offers: DCF folders (100-999), DCF names (characters
# 5-8 from 0001), JPG or AVI.
read -r files payload ideal < <(python3 - "$work/card/DCIM" <<'PY'
import os, sys, re
dcim = sys.argv[1]
files = payload = wire = 0
for folder in sorted(os.listdir(dcim)):
    if not ("100" <= folder[:3] <= "999") or not os.path.isdir(os.path.join(dcim, folder)):
        continue
    for name in os.listdir(os.path.join(dcim, folder)):
        if name[-3:].upper() not in ("JPG", "AVI") or not ("0001" <= name[4:8] <= "9999"):
            continue
        size = os.path.getsize(os.path.join(dcim, folder, name))
        files += 1
        payload += size
        full, rest = divmod(size, 1544)
        wire += full * 1549 + (rest + 5 if rest else 0) + 5
print(files, payload, wire / 11520.0)
PY
)

/usr/bin/time -f "%e %U %S %M" -o "$work/time" \
    "$build/bin/lumbrel-cli" --home "$work/home" serial load --batch --port "$work/tty" --no-open \
    >"$work/out" 2>"$work/err"
read -r wall user sys rss <"$work/time"
# The reception alone, from the progress window's opening (the camera
# identified and its lists read) to the link's end, as the command reports it.
transfer=$(sed -n 's/^Transfer: .* in \([0-9.]*\) s$/\1/p' "$work/err")
cat "$work/out"
awk -v f="$files" -v p="$payload" -v i="$ideal" -v w="$wall" -v t="$transfer" -v u="$user" -v s="$sys" -v r="$rss" 'BEGIN {
    printf "files %d, payload %d bytes (%.2f MB); block format allows %.1f s (%.0f bytes/s)\n", f, p, p / 1e6, i, p / i
    printf "reception %.1f s: %.0f bytes/s, %.1f %% of the line (11520), %.1f %% of the block format\n",
           t, p / t, 100 * p / t / 11520, 100 * i / t
    printf "whole command %.1f s (start-up, identification, lists, placing, pages): %.1f %% of the block format\n",
           w, 100 * i / w
    printf "CPU %.2f s user + %.2f s system = %.3f s per MB received; peak RSS %d KiB\n", u, s, (u + s) / (p / 1e6), r
}'
