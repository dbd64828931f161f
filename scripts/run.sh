#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages, configure, build) and runs the main
# job on the bundled sample card: generates the card, loads it into a fresh
# demo program folder (pictures sorted into one library per recording date,
# turned upright, previews, index, album pages and the library web site) and
# prints where the site starts.
#
# Everything the demo writes stays in $BUILD_DIR/demo (program folder, settings,
# card), so it never touches your own library or settings.
source "$(dirname "$0")/lib/setup.sh"

install_missing_packages
configure_and_build

BIN=$BUILD_DIR/bin
DEMO=$BUILD_DIR/demo
export XDG_CONFIG_HOME=$DEMO/config
CLI=("$BIN/lumbrel-cli" --home "$DEMO/home")
rm -rf "$DEMO/home" "$DEMO/card" "$XDG_CONFIG_HOME"
mkdir -p "$XDG_CONFIG_HOME"

echo
echo "== the sample card: make-sample-card $DEMO/card"
"$BIN/make-sample-card" "$DEMO/card" | tail -n 1

echo
echo "== loading it: lumbrel-cli --home $DEMO/home load --yes --no-open --undated file-date CARD/DCIM CARD/KDCAM"
# Copy mode: the card keeps its files. A picture without a recording date is
# placed by its file date; --no-open leaves the browser closed.
"${CLI[@]}" load --yes --no-open --undated file-date "$DEMO/card/DCIM" "$DEMO/card/KDCAM"

echo
echo "== the library"
"${CLI[@]}" info
echo
for library in "$DEMO/home/Image Library"/*/; do
    printf '%-12s %s pictures and movies\n' "$(basename "$library")" \
        "$(find "$library" -maxdepth 1 -type f \( -name '*.JPG' -o -name '*.AVI' \) | wc -l)"
done

echo
echo "Open the library web site in a browser: $DEMO/home/library.htm"
