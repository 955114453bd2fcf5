#!/usr/bin/env bash
# One-command entry points: `scripts/dev.sh play` installs, builds and starts the game;
# `scripts/dev.sh test` installs, builds and runs every test, also under the sanitizers;
# `scripts/dev.sh web` builds the page and serves it on http://127.0.0.1:8000/.
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
    build web
    build release
    ctest --preset release
    build asan
    ctest --preset asan
    ;;
  web)
    scripts/setup.sh
    build web
    exec node web/serve.mjs build/web/site 8000
    ;;
  *)
    echo "usage: scripts/dev.sh play|test|web" >&2
    exit 2
    ;;
esac
