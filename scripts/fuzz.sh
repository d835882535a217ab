#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (only those targets) and runs each for
# SECONDS (default 30) on a copy of its seed corpus, so fuzz/corpus/ stays as committed. Stops
# at the first target that finds a crash, a leak or a sanitizer report; the reproducer and the
# log are left in build-fuzz/findings/<what>/.
#   scripts/fuzz.sh [SECONDS] [what ...]      e.g. scripts/fuzz.sh 600 sim_signals
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
dir=build-fuzz
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for d in fuzz/corpus/*/; do
        targets+=("$(basename "$d")")
    done
fi
# Optimised lightly with line tables only: the sanitizer build of the core compiles in a few
# minutes, and a report still names the file and line.
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DVRX_FUZZ=ON -DVRX_BUILD_APP=OFF \
    -DVRX_BUILD_BENCH=OFF -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null
cmake --build "$dir" --target "${targets[@]/#/fuzz_}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for what in "${targets[@]}"; do
    work=$dir/corpus/$what
    findings=$dir/findings/$what
    rm -rf "$work" && mkdir -p "$work" "$findings"
    cp fuzz/corpus/"$what"/* "$work"/
    echo "== fuzz_$what for ${seconds}s"
    rc=0
    "$dir/fuzz/fuzz_$what" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" >"$findings/log" 2>&1 || rc=$?
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|ERROR|SUMMARY' "$findings/log" || true
    [ "$rc" -eq 0 ] || { echo "fuzz_$what found a fault: $findings"; exit 1; }
done
