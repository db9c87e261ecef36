#!/usr/bin/env bash
# Times one schedule cycle of `tamsor-cli run` over 8 TCP stations on 8 channels, each a
# tamsor-sim answering every request after 5 ms, with and without --parallel, against one
# station's full read. A cycle runs from the first read's start line to the line that takes
# the last station's first outcome; reports are written as the schedule writes them.
# usage: tools/bench-schedule/bench-schedule.sh [BUILD_DIR]
# The cycle is counted in whole ticks of 1 s, so each figure is the median of BENCH_RUNS runs
# (default 3), printed with its range.
#   BENCH_SEQUENTIAL=0 skips the sequential run (it waits 61 s before its first read).
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$(cd "${1:-$repo/build}" && pwd)/bin"
cli="$bin/tamsor-cli"
stations=8
latency_ms=5
runs="${BENCH_RUNS:-3}"
work="$(mktemp -d)"
pids=()
# shellcheck source=../bench-common/peers.sh
source "$(dirname "$0")/../bench-common/peers.sh"
trap 'stop_peers; rm -rf "$work"' EXIT

cp "$repo/examples/demo.bin" "$repo/examples/demo.def" "$work/"

ports=()
for i in $(seq 1 $stations); do
    start_peer "$work/sim$i.log" 'ready port=' "$bin/tamsor-sim" --image "$work/demo.bin" \
        --tcp 127.0.0.1:0 --latency $latency_ms
    ports+=("$(sed -n 's/^ready port=//p' "$work/sim$i.log")")
done

# make_project FILE COUNT INTERVAL: COUNT channels, one demo station each.
make_project() {
    local file="$1" count="$2" interval="$3"
    "$cli" new "$file" --title bench >/dev/null
    for i in $(seq 1 "$count"); do
        "$cli" add-channel "$file" --tcp "127.0.0.1:${ports[$((i - 1))]}" >/dev/null
        "$cli" add-station "$file" "$i" --interval "$interval" >/dev/null
        "$cli" import-define "$file" "$i/1" "$work/demo.def" >/dev/null
    done
}

# cycle_ms PROJECT COUNT [--parallel]: runs the schedule until every station's first outcome
# has been taken and prints the cycle's length in milliseconds.
cycle_ms() {
    local project="$1" count="$2"; shift 2
    local log="$work/run.log"
    : >"$log"
    "$cli" --lang 1033 run "$project" --out "$work/reports" "$@" \
        > >(while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$log") &
    local pid=$!
    pids+=("$pid")
    until [ "$(grep -E '(OK|Failed)!!$' "$log" | grep -oE 'Read 127\.0\.0\.1:[0-9]+' |
               sort -u | wc -l)" -ge "$count" ]; do
        kill -0 "$pid" 2>/dev/null || { echo "tamsor-cli run ended early" >&2; cat "$log" >&2; exit 1; }
        sleep 0.1
    done
    kill -TERM "$pid"
    wait "$pid" || true
    if grep -q 'Failed!!$' "$log"; then
        echo "a read failed:" >&2; grep 'Failed!!$' "$log" >&2; exit 1
    fi
    awk '
        / \.\.\.$/ && !first { first = $1 }
        / OK!!$/ { match($0, /127\.0\.0\.1:[0-9]+/); s = substr($0, RSTART, RLENGTH)
                   if (!(s in done)) { done[s] = 1; last = $1 } }
        END { printf "%d\n", (last - first) * 1000 }' "$log"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { printf '%s\n' "$@" | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo "-" hi }'; }

# full_read_ms PROJECT: one read of station 1/1 by tamsor-cli read, as the engine timed it.
full_read_ms() {
    local line
    line="$("$cli" --lang 1033 read "$1" | grep '^1/1 ')"
    sed -n 's/.*read in \([0-9.]*\) s: Read complete.*/\1/p' <<<"$line" | awk '{ printf "%d", $1 * 1000 }'
}

make_project "$work/one.zop" 1 1
make_project "$work/eight.zop" $stations 1
reads=() singles=() parallels=()
for _ in $(seq 1 "$runs"); do
    reads+=("$(full_read_ms "$work/one.zop")")
    [ -n "${reads[-1]}" ] || { echo "the full read failed" >&2; exit 1; }
    singles+=("$(cycle_ms "$work/one.zop" 1)")
    parallels+=("$(cycle_ms "$work/eight.zop" $stations --parallel)")
done
read_ms="$(median "${reads[@]}")"
single_ms="$(median "${singles[@]}")"
parallel_ms="$(median "${parallels[@]}")"

printf 'devices answer after %d ms; one full read = 1,025 requests; median of %d runs (range)\n' \
    $latency_ms "$runs"
printf '%-44s %7d ms (%s)\n' "one station's full read (tamsor-cli read)" "$read_ms" \
    "$(spread "${reads[@]}")"
printf '%-44s %7d ms (%s)   ratio to one read %s\n' "schedule cycle, 1 station" "$single_ms" \
    "$(spread "${singles[@]}")" "$(ratio "$single_ms" "$read_ms")"
printf '%-44s %7d ms (%s)   ratio to one read %s (goal <= 1.30)\n' \
    "schedule cycle, $stations stations, --parallel" "$parallel_ms" \
    "$(spread "${parallels[@]}")" "$(ratio "$parallel_ms" "$read_ms")"

if [ "${BENCH_SEQUENTIAL:-1}" != 0 ]; then
    # One read at a time: the interval must outlast the cycle, or the first station is due
    # again before the others are read.
    make_project "$work/eight-seq.zop" $stations 60
    sequential_ms="$(cycle_ms "$work/eight-seq.zop" $stations)"
    printf '%-44s %7d ms   ratio to one read %s\n' "schedule cycle, $stations stations, one at a time" \
        "$sequential_ms" "$(ratio "$sequential_ms" "$read_ms")"
fi
