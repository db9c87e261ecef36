#!/usr/bin/env bash
# Builds the Debian package tamsor_<version>_<arch>.deb into build-package/ (or
# $TAMSOR_PACKAGE_DIR): a release build of the programs without the tests, installed under /usr
# by CPack. Install it with: sudo apt-get install ./build-package/tamsor_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TAMSOR_PACKAGE_DIR:-build-package}"
TAMSOR_BUILD_DIR="$build_dir" TAMSOR_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF" \
    bash scripts/setup.sh tamsor tamsor-cli tamsor-sim tamsor_languages tamsor_man_pages
(cd "$build_dir" && cpack -G DEB >/dev/null)
ls "$build_dir"/tamsor_*.deb
