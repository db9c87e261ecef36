#!/usr/bin/env bash
# Installs what is missing, builds the programs and their languages (not the tests), and runs
# Tamsor on the bundled demo: reads the demo station from its register file and writes its
# report tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh tamsor tamsor-cli tamsor-sim tamsor_languages
build_dir="${TAMSOR_BUILD_DIR:-build}"
bash scripts/run-demo.sh "$build_dir"
