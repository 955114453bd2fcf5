#!/usr/bin/env bash
# Builds the release preset and runs every benchmark, three times each, writing the table
# and a JSON file to build/release/bench-results/ (named by date and time; latest.* links).
#   bench/run.sh                                   all benchmarks
#   bench/run.sh --benchmark_filter='BallTick|TraceLine'   extra options go to the benchmark
#   ZORVANE_BUILD_DIR=build/mine bench/run.sh      an optimised build of your own instead
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -n "${ZORVANE_BUILD_DIR:-}" ]; then
  build=$ZORVANE_BUILD_DIR
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVANE_BENCH=ON >/dev/null
else
  build=build/release
  cmake --preset release >/dev/null
fi
cmake --build "$build" --target zorvane_bench -j "${JOBS:-2}"
bench="$build/bench/zorvane_bench"
if [ ! -x "$bench" ]; then
  echo "bench/run.sh: no $bench; is Google Benchmark installed (libbenchmark-dev)?" >&2
  exit 1
fi

out="$build/bench-results"
mkdir -p "$out"
stamp=$(date +%Y-%m-%d-%H%M%S)
{
  echo "date: $(date -R)"
  echo "nproc: $(nproc)"
  grep -m1 'model name' /proc/cpuinfo
  echo "commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet 2>/dev/null || echo ' (with local changes)')"
} >"$out/$stamp.txt"
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/$stamp.json" --benchmark_out_format=json "$@" | tee -a "$out/$stamp.txt"
ln -sf "$stamp.txt" "$out/latest.txt"
ln -sf "$stamp.json" "$out/latest.json"
echo "bench/run.sh: results in $out/$stamp.txt and $out/$stamp.json"
