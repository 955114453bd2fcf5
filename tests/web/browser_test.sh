#!/usr/bin/env bash
# The page in Debian's chromium, firefox-esr and WebKitGTK (web/test/browser.test.mjs).
#   browser_test.sh SOURCE_DIR SITE_DIR NATIVE_REPLAY
# Exit status 77 (skipped) when the web build or the browser driver is missing.
set -u
src=$1 site=$2 native=$3
if [ ! -f "$site/zorvane.wasm" ]; then
  echo "no page at $site (cmake --preset web && cmake --build --preset web)"
  exit 77
fi
if [ ! -d "$src/web/test/node_modules/puppeteer-core" ]; then
  echo "no browser driver in $src/web/test/node_modules (scripts/setup.sh installs it)"
  exit 77
fi
cd "$src/web/test" && exec node browser.test.mjs "$site" "$native" "$src/tests/replay/scripts"
