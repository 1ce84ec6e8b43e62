#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan and UBSan on) and
# runs each from its seed corpus for a bounded time. Exit status 0 only
# when no target found anything.
#
#   bash scripts/fuzz.sh [SECONDS]        each target SECONDS (default 30)
#
# KESTRELON_FUZZ_BUILD: build folder (default build-fuzz).
# KESTRELON_FUZZ_RUNS: a number of executions per target instead of a time
# (the longer local runs of docs/fuzzing.md).
# KESTRELON_FUZZ_TARGETS: some of report_descriptor settings_roundtrip
# component_text sim_state (default all).
# Inputs a target learns are kept in BUILD/corpus/TARGET for the next run;
# a finding is written to BUILD/findings/ and named in the output.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=${KESTRELON_FUZZ_BUILD:-build-fuzz}
targets=${KESTRELON_FUZZ_TARGETS:-report_descriptor settings_roundtrip component_text sim_state}
cc=$(command -v clang-14 || command -v clang || true)
cxx=$(command -v clang++-14 || command -v clang++ || true)
[ -n "$cc" ] && [ -n "$cxx" ] || { echo "fuzz: clang is missing (bash scripts/setup.sh --tests as root)" >&2; exit 1; }

CC=$cc CXX=$cxx cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRELON_FUZZ=ON \
    -DKESTRELON_BUILD_TESTS=OFF -DKESTRELON_WITH_HIDAPI=OFF > /dev/null
cmake --build "$build" -j2 --target fuzz_targets

mkdir -p "$build/findings"
failed=0 passed=0
for t in $targets; do
    corpus=$build/corpus/$t
    mkdir -p "$corpus"
    if [ -n "${KESTRELON_FUZZ_RUNS:-}" ]; then limit=(-runs="$KESTRELON_FUZZ_RUNS"); else limit=(-max_total_time="$seconds"); fi
    echo "fuzz: $t (${KESTRELON_FUZZ_RUNS:+$KESTRELON_FUZZ_RUNS runs}${KESTRELON_FUZZ_RUNS:-$seconds s})"
    log=$build/$t.log
    started=$SECONDS
    set +e
    # -timeout: one input taking over 10 s counts as a hang.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/fuzz/fuzz_$t" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$t-" "$corpus" "fuzz/corpus/$t" > "$log" 2>&1
    rc=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$rc" -eq 0 ]; then
        passed=$((passed + 1))
        echo "fuzz: ok   $t: ${runs:-?} executions in $((SECONDS - started)) s, corpus $(ls "$corpus" | wc -l) inputs"
    else
        failed=$((failed + 1))
        echo "fuzz: FAIL $t (status $rc), log $log:"
        grep -E 'fuzz finding|ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 10 | sed 's/^/     /'
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
