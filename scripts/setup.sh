#!/usr/bin/env bash
# Shared first steps of the demo, the test command and the package: install the Debian packages
# that are missing, then configure and build into build/ (or $TAMSOR_BUILD_DIR).
# Usage: scripts/setup.sh [TARGET...]   (default: everything)
# $TAMSOR_EXTRA_PACKAGES names Debian packages only some steps need (clang for the sanitizer
# and fuzz build); $TAMSOR_CMAKE_ARGS adds configure options.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
          zlib1g-dev libgtest-dev libgmock-dev libmodbus-dev socat ccache
          qt6-svg-dev qt6-charts-dev libqt6sql6-sqlite xvfb xauth fonts-noto-cjk
          desktop-file-utils man-db)
read -r -a extra <<< "${TAMSOR_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

build_dir="${TAMSOR_BUILD_DIR:-build}"
read -r -a cmake_args <<< "${TAMSOR_CMAKE_ARGS:-}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$build_dir" --parallel "$(nproc)" --target "$@"
else
    cmake --build "$build_dir" --parallel "$(nproc)"
fi
