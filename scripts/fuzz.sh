#!/usr/bin/env bash
# Fuzzes the replay-script parser and the replay with libFuzzer (ASan + UBSan, clang).
#   scripts/fuzz.sh                 a fixed run of 30,000 inputs from a fresh corpus (the test command's)
#   scripts/fuzz.sh --hours H       H hours on every core, the corpus kept in build/fuzz/corpus
# Seeds come from tests/replay/scripts and fuzz/seeds (layout, randomize and expect lines). A crash is written to build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

fuzzer=build/fuzz/fuzz/zorvane-fuzz
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
common=(-max_len=8192 -timeout=10 -rss_limit_mb=2048 -dict=fuzz/script.dict -artifact_prefix="$artifacts/"
        -print_final_stats=1)

case "${1:-}" in
  "")
    corpus=$(mktemp -d)
    trap 'rm -rf "$corpus"' EXIT
    "$fuzzer" "${common[@]}" -seed=1 -runs="${ZORVANE_FUZZ_RUNS:-30000}" "$corpus" tests/replay/scripts fuzz/seeds 2>build/fuzz/last-run.log ||
      { tail -n 60 build/fuzz/last-run.log >&2; exit 1; }
    grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))' build/fuzz/last-run.log
    ;;
  --hours)
    hours="${2:?usage: scripts/fuzz.sh --hours H}"
    mkdir -p build/fuzz/corpus
    exec "$fuzzer" "${common[@]}" -max_total_time="$(awk -v h="$hours" 'BEGIN { print int(h * 3600) }')" \
      -fork="$(nproc)" -ignore_crashes=1 build/fuzz/corpus tests/replay/scripts fuzz/seeds
    ;;
  *)
    echo "usage: scripts/fuzz.sh [--hours H]" >&2
    exit 2
    ;;
esac
