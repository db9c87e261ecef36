#!/usr/bin/env bash
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ (or $TAMSOR_SANITIZE_DIR), runs the whole test suite there, then every fuzz
# target for a short time (scripts/fuzz.sh). Fails on any test failure or sanitizer finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TAMSOR_SANITIZE_DIR:-build-sanitize}"
TAMSOR_BUILD_DIR="$build_dir" TAMSOR_EXTRA_PACKAGES="clang libclang-rt-14-dev" \
TAMSOR_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DTAMSOR_SANITIZE=ON -DTAMSOR_FUZZ=ON" \
    bash scripts/setup.sh all fuzzers

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
bash scripts/fuzz.sh "$build_dir" "${TAMSOR_FUZZ_SECONDS:-30}"
