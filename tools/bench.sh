#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and runs them.
#   tools/bench.sh [extra google-benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh build bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DRAILFMT_BENCH=ON -DRAILFMT_TESTS=OFF -DRAILFMT_CLI=OFF >/dev/null
cmake --build build-bench --target railfmt_bench -j "${JOBS:-2}"
exec build-bench/bench/railfmt_bench "$@"
