# Sourced by the bench scripts: peers (simulators, socat) started in the background, their
# process ids collected in the caller's array pids for its clean-up.

# Starts a background command writing to $1 and waits until the file matches $2.
start_peer() {
    local out="$1" pattern="$2"; shift 2
    "$@" >"$out" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 500); do
        grep -qsE "$pattern" "$out" && return 0
        kill -0 "${pids[-1]}" 2>/dev/null || break
        sleep 0.01
    done
    echo "peer did not start: $*" >&2; cat "$out" >&2; exit 1
}

# Stops the peers started so far.
stop_peers() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
}
