# Shared by scripts/run.sh and scripts/test.sh (sourced, not run): installs the
# Debian packages the build needs when they are missing, then configures and
# builds into $BUILD_DIR (default: build/ in the work tree).

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
PACKAGES=(cmake ninja-build g++ libgtest-dev libjpeg62-turbo-dev libturbojpeg0-dev libicu-dev qt6-base-dev xvfb xauth chromium)
# The browser tests run under Node.js; a machine that has it already (from
# Debian or elsewhere) keeps its own.
command -v node >/dev/null && command -v npm >/dev/null || PACKAGES+=(nodejs npm)

install_missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# playwright-core, the browser tests' driver of Chromium, at the version the
# lock file names.
install_browser_driver() {
    [ -d "$ROOT/tests/browser/node_modules/playwright-core" ] && return 0
    echo "Installing the browser tests' driver (npm ci in tests/browser)"
    npm ci --prefix "$ROOT/tests/browser" --no-audit --no-fund
}

configure_and_build() {
    local werror=OFF
    # CI builds treat warnings as errors; a developer's build only shows them.
    [ "${CI:-}" = true ] && werror=ON
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBREL_WERROR=$werror "$@"
    cmake --build "$BUILD_DIR" -j 2
}
