#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${TAMSOR_BUILD_DIR:-build}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
