#!/usr/bin/env bash
# Times a full station read (1,025 requests) with the Tamsor engine and with a plain
# libmodbus master against the same tamsor-sim: over loopback TCP and over a socat
# pseudo-terminal pair at 115,200 baud. A pseudo terminal passes bytes instantly, so the
# serial run is made twice: as is, and with the simulator holding each reply for the time
# request and reply take on a real 115,200-baud line (--wire-time).
# usage: tools/bench-read/bench-read.sh [BUILD_DIR]
set -euo pipefail
bin="$(cd "${1:-build}" && pwd)/bin"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

model=4660
python3 - "$work/image.bin" "$model" <<'PY'
import struct, sys
image = bytearray(131072)
for n in range(65536):
    struct.pack_into('<H', image, 2 * n, (n * 131 + 17) & 0xFFFF)
struct.pack_into('<H', image, 0x1FF00, int(sys.argv[2]))
open(sys.argv[1], 'wb').write(image)
PY

# shellcheck source=../bench-common/peers.sh
source "$(dirname "$0")/../bench-common/peers.sh"

time_of() { sed -n 's/.*time_ms=\([0-9]*\).*/\1/p'; }

report() {
    local name="$1" ours="$2" theirs="$3"
    local ratio
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-30s tamsor %7d ms   libmodbus %7d ms   ratio %s\n' "$name" "$ours" "$theirs" "$ratio"
}

start_peer "$work/sim-tcp.log" 'ready port=' "$bin/tamsor-sim" --image "$work/image.bin" --tcp 127.0.0.1:0
port=$(sed -n 's/^ready port=//p' "$work/sim-tcp.log")
ours=$("$bin/bench-read-tamsor" --tcp "127.0.0.1:$port" --model-id $model --out "$work/tcp.bin" | time_of)
cmp -s "$work/tcp.bin" "$work/image.bin" || { echo "TCP image differs" >&2; exit 1; }
theirs=$("$bin/bench-read-libmodbus" --tcp "127.0.0.1:$port" --model-id $model | time_of)
report "loopback TCP" "$ours" "$theirs"

for mode in plain wire; do
    start_peer "$work/socat-$mode.log" 'starting data transfer loop' \
        socat -d -d pty,raw,echo=0 pty,raw,echo=0
    dev_a=$(grep -o 'PTY is [^ ]*' "$work/socat-$mode.log" | sed -n 1p | cut -d' ' -f3)
    dev_b=$(grep -o 'PTY is [^ ]*' "$work/socat-$mode.log" | sed -n 2p | cut -d' ' -f3)
    extra=()
    [ "$mode" = wire ] && extra=(--wire-time)
    start_peer "$work/sim-$mode.log" 'ready device=' "$bin/tamsor-sim" --image "$work/image.bin" \
        --rtu "$dev_a" --baud 115200 "${extra[@]}"
    ours=$("$bin/bench-read-tamsor" --rtu "$dev_b" --baud 115200 --model-id $model --out "$work/rtu.bin" | time_of)
    cmp -s "$work/rtu.bin" "$work/image.bin" || { echo "RTU image differs" >&2; exit 1; }
    theirs=$("$bin/bench-read-libmodbus" --rtu "$dev_b" --baud 115200 --model-id $model | time_of)
    label="pty 115200 baud"
    [ "$mode" = wire ] && label="pty 115200 baud, line timing"
    report "$label" "$ours" "$theirs"
done
