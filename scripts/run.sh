#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages, configure, build) and runs the main
# job: starts Lumbrel's library on a demo program folder and shows it.
#
# The demo keeps its program folder and its settings inside the build folder
# ($BUILD_DIR/demo), so it never touches your own library or settings.
source "$(dirname "$0")/lib/setup.sh"

install_missing_packages
configure_and_build

DEMO=$BUILD_DIR/demo
mkdir -p "$DEMO/config"
echo
echo "== lumbrel-cli --home $DEMO/home info"
XDG_CONFIG_HOME=$DEMO/config "$BUILD_DIR/bin/lumbrel-cli" --home "$DEMO/home" info
