#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tamsor on the bundled demo: reads the demo
# station from its register file and writes its report tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${TAMSOR_BUILD_DIR:-build}"
bash scripts/run-demo.sh "$build_dir"
