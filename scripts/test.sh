#!/usr/bin/env bash
# Sets up a fresh Debian machine (packages, configure, build) and runs the
# whole test suite through CTest.
source "$(dirname "$0")/lib/setup.sh"

install_missing_packages
configure_and_build -DLUMBREL_TESTS=ON

ctest --test-dir "$BUILD_DIR" --output-on-failure -j 2
