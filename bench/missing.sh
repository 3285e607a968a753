#!/usr/bin/env bash
# Benchmark of the MIC scoring with missing genotypes against the complete
# study (see bench/missing_bench.cpp). Arguments go to the program:
# replicates (default 1000) and rounds (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target gstboot_bench_missing -j "${JOBS:-2}" >/dev/null
"$build/gstboot_bench_missing" "$@"
