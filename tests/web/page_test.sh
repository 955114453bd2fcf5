#!/usr/bin/env bash
# Runs one of the page's browser tests (web/test/*.test.mjs) with its arguments.
#   page_test.sh SOURCE_DIR SITE_DIR TEST.mjs [ARG...]
# browser.test.mjs: the page in Debian's chromium, firefox-esr and WebKitGTK;
# board.test.mjs: the page served by the board, in chromium.
# Exit status 77 (skipped) when the web build or the browser driver is missing.
set -u
src=$1 site=$2 test=$3
shift 3
if [ ! -f "$site/zorvane.wasm" ]; then
  echo "no page at $site (cmake --preset web && cmake --build --preset web)"
  exit 77
fi
if [ ! -d "$src/web/test/node_modules/puppeteer-core" ]; then
  echo "no browser driver in $src/web/test/node_modules (scripts/setup.sh installs it)"
  exit 77
fi
cd "$src/web/test" && exec node "$test" "$site" "$@"
