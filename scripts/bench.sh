#!/usr/bin/env bash
# Builds and runs the benchmarks (a build of its own in build-bench, optimised like the
# application). Extra arguments go to Google Benchmark, e.g. --benchmark_repetitions=5.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

cmake -S . -B build-bench -G Ninja -DTOLVANE_BUILD_TESTS=OFF \
      -DTOLVANE_BUILD_BENCHMARKS=ON -DTOLVANE_REFERENCE_STANDALONE=OFF
cmake --build build-bench --target tolvane_benchmarks
exec build-bench/bench/tolvane_benchmarks "$@"
