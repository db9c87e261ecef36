#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tamsor on the bundled demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir="${TAMSOR_BUILD_DIR:-build}"
"$build_dir/bin/tamsor-cli" languages
