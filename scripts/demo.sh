#!/usr/bin/env bash
# Installs what is missing, builds the programs and their languages (not the tests), and runs
# Tamsor on the bundled demo: reads the demo station from its register file, writes its report
# tree, and shows the history stored by several reads of the demo panel served live.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh tamsor tamsor-cli tamsor-sim tamsor_languages
build_dir="${TAMSOR_BUILD_DIR:-build}"
bash scripts/run-demo.sh "$build_dir"
