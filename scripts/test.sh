#!/usr/bin/env bash
# Builds everything and runs every test suite.
#   scripts/test.sh                 normal build in build/
#   scripts/test.sh --sanitize      AddressSanitizer + UBSan build in build-asan/
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=build
opts=()
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    opts=(-DVRX_SANITIZE=ON -DVRX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -G Ninja "${opts[@]}"
cmake --build "$dir"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
ctest --test-dir "$dir" --output-on-failure -j 2
