#!/usr/bin/env bash
# Station read timings against tamsor-sim, with the Tamsor engine and with a plain libmodbus
# master, in one run:
#  1. a full read (1,025 requests) with the defaults, both masters: over loopback TCP and over
#     a socat pseudo-terminal pair at 115,200 baud, as is and paced like a real line;
#  2. goal "defined areas only": the demo station over a pseudo terminal paced like a
#     9,600-baud line, full read against a read of the defined areas only (>= 5 x);
#  3. goal "requests in flight": TCP with a 1 ms network round trip (tamsor-sim --link-delay 1),
#     8 requests in flight and 125-register blocks against the libmodbus full read (>= 6 x);
#  4. goal "larger blocks": 125-register blocks against 64-register blocks over a pseudo
#     terminal paced like a 115,200-baud line (>= 1.15 x);
#  5. replies in any order: 20 full reads with 8 in flight and 125-register blocks from a device
#     that answers each request after a random delay of its own (tamsor-sim --random-delay),
#     counting the reads that give the image served (goal: all 20).
# A pseudo terminal passes bytes instantly; "paced" runs have the simulator hold each reply for
# the time request and reply take on a real line at that speed (--wire-time). The 9,600-baud
# full read takes about three minutes.
# usage: tools/bench-read/bench-read.sh [BUILD_DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
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
demo_image="$repo/examples/demo.bin"
demo_define="$repo/examples/demo.def"
demo_model=300

# shellcheck source=../bench-common/peers.sh
source "$(dirname "$0")/../bench-common/peers.sh"

# tamsor-sim over TCP serving image $1 with further options; sets $address.
serve_tcp() {
    local image="$1"; shift
    start_peer "$work/sim-tcp.log" 'ready port=' "$bin/tamsor-sim" --image "$image" \
        --tcp 127.0.0.1:0 "$@"
    address="127.0.0.1:$(sed -n 's/^ready port=//p' "$work/sim-tcp.log")"
}

# tamsor-sim over RTU on a new pseudo-terminal pair serving image $1 with further options;
# sets $device to the other end.
serve_rtu() {
    local image="$1"; shift
    start_peer "$work/socat.log" 'starting data transfer loop' \
        socat -d -d pty,raw,echo=0 pty,raw,echo=0
    local sim_end
    sim_end=$(grep -o 'PTY is [^ ]*' "$work/socat.log" | sed -n 1p | cut -d' ' -f3)
    device=$(grep -o 'PTY is [^ ]*' "$work/socat.log" | sed -n 2p | cut -d' ' -f3)
    start_peer "$work/sim-rtu.log" 'ready device=' "$bin/tamsor-sim" --image "$image" \
        --rtu "$sim_end" "$@"
}

time_of() { sed -n 's/.*time_ms=\([0-9]*\).*/\1/p'; }
requests_of() { sed -n 's/.*requests=\([0-9]*\).*/\1/p'; }

# Runs bench-read-tamsor with the arguments given, checks the image when $expect is set, and
# sets $ms and $requests.
ours() {
    local result
    result=$("$bin/bench-read-tamsor" "$@" --out "$work/read.bin")
    ms=$(echo "$result" | time_of)
    requests=$(echo "$result" | requests_of)
    if [ -n "${expect:-}" ]; then
        cmp -s "$work/read.bin" "$expect" || { echo "the image read differs from $expect" >&2; exit 1; }
    fi
}

theirs() {
    local result
    result=$("$bin/bench-read-libmodbus" "$@")
    ms=$(echo "$result" | time_of)
    requests=$(echo "$result" | requests_of)
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

line() { printf '  %-46s %5s requests %8s ms\n' "$1" "$2" "$3"; }

verdict() {
    local name="$1" value="$2" goal="$3"
    local met
    met=$(awk -v v="$value" -v g="$goal" 'BEGIN { print (v >= g ? "met" : "NOT MET") }')
    printf '  %-46s ratio %s (goal %s): %s\n' "$name" "$value" "$goal" "$met"
}

echo "Full read with the default options, Tamsor against a plain libmodbus master"
expect="$work/image.bin"
serve_tcp "$work/image.bin"
ours --tcp "$address" --model-id $model; line "loopback TCP, tamsor" "$requests" "$ms"; a=$ms
theirs --tcp "$address" --model-id $model; line "loopback TCP, libmodbus" "$requests" "$ms"
printf '  %-46s ratio %s\n' "tamsor / libmodbus" "$(ratio "$a" "$ms")"
stop_peers
for mode in plain wire; do
    extra=()
    label="pty 115200 baud"
    if [ "$mode" = wire ]; then extra=(--wire-time); label="pty 115200 baud, paced"; fi
    serve_rtu "$work/image.bin" --baud 115200 "${extra[@]}"
    ours --rtu "$device" --baud 115200 --model-id $model; line "$label, tamsor" "$requests" "$ms"
    a=$ms
    theirs --rtu "$device" --baud 115200 --model-id $model; line "$label, libmodbus" "$requests" "$ms"
    printf '  %-46s ratio %s\n' "tamsor / libmodbus" "$(ratio "$a" "$ms")"
    stop_peers
done

echo
echo "Goal: defined areas only, the demo station over a pty paced like 9,600 baud"
serve_rtu "$demo_image" --baud 9600 --wire-time
expect="$demo_image"
ours --rtu "$device" --baud 9600 --model-id $demo_model; full=$ms
line "full read, 64 registers a request" "$requests" "$ms"
expect=""
ours --rtu "$device" --baud 9600 --model-id $demo_model --defined "$demo_define"; defined=$ms
line "defined areas only" "$requests" "$ms"
ours --rtu "$device" --baud 9600 --model-id $demo_model --defined "$demo_define" \
    --block-registers 125
line "defined areas only, 125 registers a request" "$requests" "$ms"
printf '  %-46s ratio %s\n' "full / defined areas with 125 registers" "$(ratio "$full" "$ms")"
verdict "full / defined areas only" "$(ratio "$full" "$defined")" 5
stop_peers

echo
echo "Goal: requests in flight, TCP with a 1 ms round trip (tamsor-sim --link-delay 1)"
expect="$work/image.bin"
serve_tcp "$work/image.bin" --link-delay 1
theirs --tcp "$address" --model-id $model; plain=$ms
line "libmodbus full read" "$requests" "$ms"
ours --tcp "$address" --model-id $model
line "tamsor full read, defaults" "$requests" "$ms"
printf '  %-46s ratio %s\n' "libmodbus / tamsor defaults" "$(ratio "$plain" "$ms")"
ours --tcp "$address" --model-id $model --in-flight 8 --block-registers 125
line "tamsor, 8 in flight, 125 registers a request" "$requests" "$ms"
verdict "libmodbus / tamsor 8 in flight, 125 registers" "$(ratio "$plain" "$ms")" 6
stop_peers

echo
echo "Goal: larger blocks, full read over a pty paced like 115,200 baud"
serve_rtu "$work/image.bin" --baud 115200 --wire-time
ours --rtu "$device" --baud 115200 --model-id $model; full64=$ms
line "64 registers a request" "$requests" "$ms"
ours --rtu "$device" --baud 115200 --model-id $model --block-registers 125; full125=$ms
line "125 registers a request" "$requests" "$ms"
verdict "64 / 125 registers a request" "$(ratio "$full64" "$full125")" 1.15
stop_peers

echo
echo "Goal: replies in any order, 20 reads from a device answering each request after its own"
echo "random delay of 0 to 2 ms (tamsor-sim --random-delay 0-2 --seed 1)"
serve_tcp "$work/image.bin" --random-delay 0-2 --seed 1
equal=0
total_ms=0
for _ in $(seq 1 20); do
    rm -f "$work/read.bin"
    if result=$("$bin/bench-read-tamsor" --tcp "$address" --model-id $model --in-flight 8 \
        --block-registers 125 --out "$work/read.bin" 2>/dev/null) &&
        cmp -s "$work/read.bin" "$work/image.bin"; then
        equal=$((equal + 1))
        total_ms=$((total_ms + $(echo "$result" | time_of)))
    fi
done
printf '  %-46s %s of 20, %s ms each on average\n' "reads equal to the image" "$equal" \
    "$(ratio "$total_ms" "$equal")"
verdict "reads equal to the image / 20" "$(ratio "$equal" 20)" 1
stop_peers
