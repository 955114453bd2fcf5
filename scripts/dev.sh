#!/usr/bin/env bash
# One-command entry points: `scripts/dev.sh play` installs, builds and starts the game;
# `scripts/dev.sh test` installs, builds and runs every test, also under the sanitizers,
# and fuzzes the replay scripts for a fixed number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
}

case "${1:-}" in
  play)
    scripts/setup.sh
    build release
    exec ./build/release/zorvane
    ;;
  test)
    scripts/setup.sh
    build release
    ctest --preset release
    build asan
    ctest --preset asan
    scripts/fuzz.sh
    ;;
  *)
    echo "usage: scripts/dev.sh play|test" >&2
    exit 2
    ;;
esac
