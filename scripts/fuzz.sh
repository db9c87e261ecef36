#!/usr/bin/env bash
# Runs every fuzz target of a -DTAMSOR_FUZZ=ON build for SECONDS each, all at once at the
# lowest priority. Each starts from its seeds in fuzz/corpus/ (left unchanged) and the inputs
# kept in fuzz/regressions/; new inputs go to a scratch corpus. Fails when any target finds a
# fault: its input is left in the scratch folder (printed) for a regression case.
# Usage: scripts/fuzz.sh [BUILD_DIR] [SECONDS]   (default: build-sanitize 30)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build-sanitize}" && pwd)"
seconds="${2:-30}"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/tamsor-fuzz.XXXXXX")"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
pids=()
targets=()
for program in "$build"/fuzz/fuzz-*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    name="${program##*/fuzz-}"
    mkdir -p "$scratch/$name/corpus"
    seeds=("$repo/fuzz/corpus/$name")
    [ -d "$repo/fuzz/regressions/$name" ] && seeds+=("$repo/fuzz/regressions/$name")
    nice -n 19 "$program" "$scratch/$name/corpus" "${seeds[@]}" \
        -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=120 -print_final_stats=1 \
        -artifact_prefix="$scratch/$name/" > "$scratch/$name/log" 2>&1 &
    pids+=($!)
    targets+=("$name")
done
[ ${#pids[@]} -gt 0 ] || { echo "fuzz: no fuzz targets in $build/fuzz" >&2; exit 1; }

failed=0
clean=0
for i in "${!pids[@]}"; do
    name="${targets[$i]}"
    if wait "${pids[$i]}"; then
        stats="$(grep -E '^stat::(number_of_executed_units|new_units_added)' "$scratch/$name/log" |
                 sed 's/^stat:://' | tr '\n' ' ' | tr -s ' ')"
        cov="$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$scratch/$name/log" | tail -1)"
        echo "fuzz-$name: clean; $stats$cov"
        clean=$((clean + 1))
    else
        failed=$((failed + 1))
        echo "fuzz-$name: FOUND A FAULT; log and input in $scratch/$name/" >&2
        grep -A30 -E '^==[0-9]+==|broken:|SUMMARY' "$scratch/$name/log" | head -60 >&2
    fi
done
echo "fuzz: $clean passed, $failed failed"
[ $failed -eq 0 ] || exit 1
rm -rf "$scratch"
