#!/usr/bin/env bash
# Shared first steps of the demo and the test command: install the Debian packages that are
# missing, then configure and build everything into build/ (or $TAMSOR_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
          zlib1g-dev libgtest-dev libgmock-dev libmodbus-dev socat ccache
          qt6-svg-dev qt6-charts-dev xvfb xauth fonts-noto-cjk)

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
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
