#!/usr/bin/env bash
# The page served by the board, in Debian's headless chromium (web/test/board.test.mjs).
#   board_test.sh SOURCE_DIR SITE_DIR BOARD_EXE
# Exit status 77 (skipped) when the web build or the browser driver is missing.
set -u
src=$1 site=$2 board=$3
if [ ! -f "$site/zorvane.wasm" ]; then
  echo "no page at $site (cmake --preset web && cmake --build --preset web)"
  exit 77
fi
if [ ! -d "$src/web/test/node_modules/puppeteer-core" ]; then
  echo "no browser driver in $src/web/test/node_modules (scripts/setup.sh installs it)"
  exit 77
fi
cd "$src/web/test" && exec node board.test.mjs "$site" "$board"
