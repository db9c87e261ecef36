#!/usr/bin/env bash
# Makes the README's picture of a log's stored history: the demo project read eight times, its
# oven log running six hours on in the register file between reads (tamsor-shot
# --history-reads), and the log's chart showing everything stored, taken on a virtual X
# display. Usage: scripts/history-screenshot.sh [BUILD_DIR] [OUT.png] [LCID]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
out="${2:-$repo/docs/history-chart.png}"
lang="${3:-1033}"
shot="$build/bin/tamsor-shot"
[ -x "$shot" ] || { echo "history-screenshot: $shot not found; build first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "history-screenshot: xvfb-run missing (apt-get install xvfb xauth)" >&2; exit 1; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tamsor-shot.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
cp "$repo/examples/demo.zop" "$repo/examples/demo.bin" "$scratch/"
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x800x24" \
    "$shot" --lang "$lang" --project "$scratch/demo.zop" --select record --history-reads 8 \
    --chart --range all --out "$out"
echo "Wrote $out"
