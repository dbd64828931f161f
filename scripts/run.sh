#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages, configure, build) and runs the main
# job on the bundled sample card: starts the library on a demo program folder,
# then reads the recording date and orientation of every picture on a
# generated camera card, turns the pictures upright and makes their previews.
#
# Everything the demo writes stays in $BUILD_DIR/demo (program folder, settings,
# card, results), so it never touches your own library or settings.
source "$(dirname "$0")/lib/setup.sh"

install_missing_packages
configure_and_build

BIN=$BUILD_DIR/bin
DEMO=$BUILD_DIR/demo
export XDG_CONFIG_HOME=$DEMO/config
CLI=("$BIN/lumbrel-cli" --home "$DEMO/home")
mkdir -p "$XDG_CONFIG_HOME"
rm -rf "$DEMO/upright" "$DEMO/previews"
mkdir -p "$DEMO/upright" "$DEMO/previews"

echo
echo "== the library: lumbrel-cli --home $DEMO/home info"
"${CLI[@]}" info

echo
echo "== the sample card: make-sample-card $DEMO/card"
"$BIN/make-sample-card" "$DEMO/card" | tail -n 1

echo
echo "== recording date, turn needed, and the picture turned upright into $DEMO/upright"
printf '%-32s %-15s %s\n' file date turn
for f in "$DEMO"/card/DCIM/*/* "$DEMO"/card/KDCAM/PHOTO/*; do
    name=${f#"$DEMO/card/"}
    date=$("${CLI[@]}" media date "$f" 2>/dev/null || true)
    turn=$("${CLI[@]}" media orientation "$f" 2>/dev/null || true)
    printf '%-32s %-15s %s\n' "$name" "${date:--}" "${turn:--}"
    case "$turn" in
        1|2|3) "${CLI[@]}" media rotate "$f" "$turn" "$DEMO/upright/$(basename "$f")" ;;
    esac
done

echo
echo "== previews (longer side 320) of pictures and movies into $DEMO/previews"
"${CLI[@]}" media preview --into "$DEMO/previews" "$DEMO"/card/DCIM/100ORRIN/* "$DEMO"/upright/*
ls "$DEMO/previews"
