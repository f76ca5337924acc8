#!/usr/bin/env bash
# Builds the optimised programs and a Debian package of them (installed under /usr), then checks
# the package with lintian where that is installed. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build-package}
# Debian's own hardening flags (fortified functions, stack protector, full RELRO, bind now),
# as a Debian package build would pass them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCOFFERIX_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target cofferix cofferix-cli
if ! (cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1); then
    cat "$BUILD_DIR/cpack.log" >&2
    exit 1
fi

package=$(ls -t "$BUILD_DIR"/cofferix_*.deb | head -n 1)
if command -v lintian >/dev/null; then
    # Errors fail the script; warnings are shown.
    lintian --fail-on error "$package"
else
    echo "lintian is not installed: the package was not checked" >&2
fi
echo "$package"
