#!/usr/bin/env bash
# Reads the demo station from its register file and writes its reports.
# Usage: scripts/run-demo.sh [BUILD_DIR] (default: build)
# Works on a copy of examples/ in a scratch folder: the committed demo project stays untouched.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
cli="$build/bin/tamsor-cli"
[ -x "$cli" ] || { echo "run-demo: $cli not found; build first" >&2; exit 1; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tamsor-demo.XXXXXX")"
cp "$repo/examples/demo.zop" "$repo/examples/demo.bin" "$scratch/"
reports="$scratch/reports"

"$cli" read "$scratch/demo.zop"
"$cli" export "$scratch/demo.zop" --out "$reports"

echo
echo "Demo project: $scratch/demo.zop"
echo "Reports:      $reports/demo/"
