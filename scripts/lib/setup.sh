# Shared by scripts/run.sh and scripts/test.sh (sourced, not run): installs the
# Debian packages the build needs when they are missing, then configures and
# builds into $BUILD_DIR (default: build/ in the work tree).

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
PACKAGES=(cmake ninja-build g++ libgtest-dev libjpeg62-turbo-dev libturbojpeg0-dev)

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

configure_and_build() {
    local werror=OFF
    # CI builds treat warnings as errors; a developer's build only shows them.
    [ "${CI:-}" = true ] && werror=ON
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBREL_WERROR=$werror "$@"
    cmake --build "$BUILD_DIR" -j 2
}
