#!/usr/bin/env bash
# Two stations whose reads outlast their interval: how often `tamsor-cli run` reads each in a
# run of BENCH_DURATION seconds (default 60). Two tamsor-sim devices answer every request after
# BENCH_LATENCY_MS (default 3), so a full read of 1,025 requests takes about 3 s; both stations
# have an interval of 2 s. Three runs:
#   one at a time      the two devices on two channels, no --parallel
#   --parallel         the same project: each device is a line of its own
#   --parallel, 1 line two channels that reach one device: one read at a time on that line
# For each station: its reads (taken outcomes, OK and failed), the longest wait from the run's
# start or a read's start to its next read's start (or the run's end), and how often the log
# said it fell behind and skipped to its next period.
# usage: tools/bench-schedule/bench-fairness.sh [BUILD_DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$repo/build}" && pwd)/bin"
cli="$bin/tamsor-cli"
latency_ms="${BENCH_LATENCY_MS:-3}"
duration="${BENCH_DURATION:-60}"
interval=2
work="$(mktemp -d)"
pids=()
# shellcheck source=../bench-common/peers.sh
source "$(dirname "$0")/../bench-common/peers.sh"
trap 'stop_peers; rm -rf "$work"' EXIT

cp "$repo/examples/demo.bin" "$work/"
# One define file per station, told apart in the log by their model names.
for name in A B; do
    sed "s/^Name=TP-300 demo panel/Name=Panel $name/" "$repo/examples/demo.def" >"$work/$name.def"
done

ports=()
for i in 1 2; do
    start_peer "$work/sim$i.log" 'ready port=' "$bin/tamsor-sim" --image "$work/demo.bin" \
        --tcp 127.0.0.1:0 --latency "$latency_ms"
    ports+=("$(sed -n 's/^ready port=//p' "$work/sim$i.log")")
done

# make_project FILE PORT_A PORT_B: station "Panel A" on a channel to PORT_A, "Panel B" on a
# second channel to PORT_B, both read every $interval s.
make_project() {
    local file="$1" i=1
    "$cli" new "$file" --title fairness >/dev/null
    for name in A B; do
        local port="$2"; shift
        "$cli" add-channel "$file" --tcp "127.0.0.1:$port" >/dev/null
        "$cli" add-station "$file" "$i" --interval "$interval" >/dev/null
        "$cli" import-define "$file" "$i/1" "$work/$name.def" >/dev/null
        i=$((i + 1))
    done
}

# run_schedule PROJECT [--parallel]: runs the schedule for $duration s and prints one line per
# station: its reads, longest wait in seconds and skips.
run_schedule() {
    local project="$1"; shift
    local log="$work/run.log" begin
    begin="$EPOCHREALTIME"
    "$cli" --lang 1033 run "$project" --out "$work/reports" --duration "$duration" "$@" |
        while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$log"
    for name in A B; do
        awk -v name="Panel $name" -v begin="$begin" -v end="$EPOCHREALTIME" '
            index($0, "-" name " ...") == 0 && index($0, "-" name " behind") == 0 { next }
            / \.\.\.$/ { if ($1 - last > gap) gap = $1 - last; last = $1 }
            / (OK|Failed)!!/ { reads++ }
            / Failed!!/ { failed++ }
            / behind schedule/ { skips++ }
            BEGIN { last = begin }
            END { if (end - last > gap) gap = end - last
                  printf "%s: %3d reads (%d failed), longest wait %4.1f s, %d skips\n",
                         name, reads, failed, gap, skips }' "$log"
    done
}

# full_read_ms PROJECT: one read of station 1/1 by tamsor-cli read, as the engine timed it.
full_read_ms() {
    "$cli" --lang 1033 read "$1" | grep '^1/1 ' |
        sed -n 's/.*read in \([0-9.]*\) s: Read complete.*/\1/p' | awk '{ printf "%d", $1 * 1000 }'
}

make_project "$work/two.zop" "${ports[0]}" "${ports[1]}"
make_project "$work/one-line.zop" "${ports[0]}" "${ports[0]}"
read_ms="$(full_read_ms "$work/two.zop")"
[ -n "$read_ms" ] || { echo "the full read failed" >&2; exit 1; }

printf 'two stations, interval %d s, one full read %d ms (devices answer after %d ms); %d s runs\n' \
    "$interval" "$read_ms" "$latency_ms" "$duration"
report() {
    local label="$1"; shift
    run_schedule "$@" | while IFS= read -r line; do printf '%-32s %s\n' "$label" "$line"; done
}
report "one at a time, two devices" "$work/two.zop"
report "--parallel, two devices" "$work/two.zop" --parallel
report "--parallel, one device" "$work/one-line.zop" --parallel
