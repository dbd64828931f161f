#!/usr/bin/env bash
# Writes a PNG of every page and dialog of the desktop program, on the sample
# card, into OUTDIR (default: build/screenshots): the card is made and loaded
# into a fresh program folder first (so the window shows real libraries), then
# ui-screenshots shows each page and dialog under Xvfb. Nothing of your own
# library or settings is touched: all of it stays below OUTDIR.
#
#   tools/screenshots.sh [OUTDIR]      (after a build in build/)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${BUILD_DIR:-$ROOT/build}/bin
OUT=$(realpath -m "${1:-$ROOT/build/screenshots}")
WORK=$OUT/work
rm -rf "$WORK"
mkdir -p "$WORK/config/Orrin"
export XDG_CONFIG_HOME=$WORK/config
export LUMBREL_OPENER=/bin/true
# Automatic loading off: no watcher and no autostart entry from a screenshot run.
printf '[CameraImage]\nAutoTakeIn=1\n' > "$XDG_CONFIG_HOME/Orrin/Lumbrel.conf"
"$BIN/make-sample-card" "$WORK/card" > /dev/null
"$BIN/lumbrel-cli" --home "$WORK/home" load --yes --no-open --undated file-date "$WORK/card/DCIM" "$WORK/card/KDCAM" > /dev/null
# Titles on the libraries, so that the list pages show what a user's list shows.
titles=("Harbour at dawn" "Grandma's garden" "School concert" "Hiking in the hills" "Lake weekend" "New Year's Eve")
i=0
while read -r location; do
    "$BIN/lumbrel-cli" --home "$WORK/home" retitle "$location" "${titles[i % ${#titles[@]}]}" > /dev/null
    i=$((i + 1))
done < <("$BIN/lumbrel-cli" --home "$WORK/home" list | cut -f5)
printf 'removable\t%s/\n' "$WORK/card" > "$WORK/drives"
export LUMBREL_DRIVES=$WORK/drives
xvfb-run -a -s "-screen 0 1280x900x24" "$BIN/ui-screenshots" "$WORK/home" "$OUT"
