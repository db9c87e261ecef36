#!/usr/bin/env bash
# Reads the demo station from its register file and writes its reports, then reads the demo
# panel live a few times and shows the history those reads stored.
# Usage: scripts/run-demo.sh [BUILD_DIR] (default: build)
# Works on a copy of examples/ in a scratch folder: the committed demo project stays untouched.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
cli="$build/bin/tamsor-cli"
sim="$build/bin/tamsor-sim"
for program in "$cli" "$sim"; do
    [ -x "$program" ] || { echo "run-demo: $program not found; build first" >&2; exit 1; }
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tamsor-demo.XXXXXX")"
cp "$repo/examples/demo.zop" "$repo/examples/demo.bin" "$scratch/"
reports="$scratch/reports"

"$cli" read "$scratch/demo.zop"
"$cli" export "$scratch/demo.zop" --out "$reports"

echo
echo "Demo project: $scratch/demo.zop"
echo "Reports:      $reports/demo/"

# The history of several reads: tamsor-sim serves the demo panel over TCP and changes it like
# a running panel, one step on each SIGUSR1 (new log entries, alarms starting and ending, a
# recipe value changing); a project of its own reads it between steps.
live="$scratch/live"
mkdir "$live"
sim_out="$live/sim.out"
"$sim" --live 0 --define "$repo/examples/demo.def" --image "$repo/examples/demo.bin" \
    --tcp 127.0.0.1:0 --seed 1 >"$sim_out" 2>"$live/sim.err" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT

# Waits up to 10 s until the sim's output has a line matching $1 (an extended regex).
wait_for_sim() {
    for _ in $(seq 200); do
        grep -Eq "$1" "$sim_out" && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "run-demo: tamsor-sim did not say \"$1\":" >&2
    cat "$live/sim.err" >&2
    exit 1
}

wait_for_sim '^ready port=[0-9]+$'
port="$(sed -n 's/^ready port=\([0-9]*\)$/\1/p' "$sim_out")"
steps=0
step_sim() {
    for _ in $(seq "$1"); do
        steps=$((steps + 1))
        kill -USR1 "$sim_pid"
        wait_for_sim "^step $steps\$"
    done
}

project="$live/line.zop"
"$cli" new "$project" >/dev/null
"$cli" add-channel "$project" --tcp "127.0.0.1:$port" >/dev/null
"$cli" add-station "$project" 1 >/dev/null
"$cli" import-define "$project" 1/1 "$repo/examples/demo.def" >/dev/null

echo
echo "Live demo panel on 127.0.0.1:$port, read four times:"
reads=0
for between in 0 3 5 4; do
    step_sim "$between"
    reads=$((reads + 1))
    echo "Read $reads, after $steps steps of the panel:"
    "$cli" read "$project"
done

history="$live/history.tsv"
"$cli" history "$project" --format tsv >"$history"
oven="$live/oven.tsv"
"$cli" history "$project" --table "Oven temperatures" --table Alarm --format tsv >"$oven"
echo
echo "The oven log and the alarms as stored, newest last: the rows the panel logged between"
echo "the reads (tamsor-cli history $project --table \"Oven temperatures\" --table Alarm):"
head -n 1 "$oven"
echo "..."
tail -n 12 "$oven" | cut -c1-160
echo "Stored rows: $(( $(wc -l <"$history") - 1 )) (data-record entries and alarm lines)"
echo "History store: $live/line.history.sqlite"
