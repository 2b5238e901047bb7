#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/ and runs
# each for SECONDS (default 60), starting from its corpus in
# tests/fuzz/corpus/<target>/ (which is only read; inputs found to add
# coverage go to build-fuzz/fuzz-corpus/<target>/ and are kept for the next
# run). Fails when any target finds a crash, a sanitizer report, a failed
# check, a leak or an input that runs for more than 20 seconds; the input is
# then in build-fuzz/fuzz-artifacts/ and the log in build-fuzz/fuzz-logs/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-$(nproc)}

mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLORVEX_FUZZ=ON >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 1
}
cmake --build "$build" -j "$jobs" --target fuzz_targets >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in tests/fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

mkdir -p "$build/fuzz-artifacts" "$build/fuzz-logs"
failed=0
for target in "${targets[@]}"; do
    mkdir -p "$build/fuzz-corpus/$target"
    log="$build/fuzz-logs/$target.log"
    status=0
    "$build/$target" -max_total_time="$seconds" -max_len=12000 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$target-" \
        "$build/fuzz-corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    corpus=$(find "$build/fuzz-corpus/$target" -type f | wc -l)
    if [ "$status" -ne 0 ]; then
        echo "fuzz: $target: FAILED after ${runs:-?} runs (status $status); see $log" >&2
        grep -E "ERROR|failed|runtime error|Test unit written" "$log" | head -n 5 >&2 || true
        failed=1
    else
        echo "fuzz: $target: ${runs:-?} runs in $seconds s, no failure ($corpus inputs found so far)"
    fi
done
exit "$failed"
