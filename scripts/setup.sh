#!/usr/bin/env bash
# Installs what the game needs to build, run and be tested, from Debian's packages.
# Usage: scripts/setup.sh            (as root, or through sudo)
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  postgresql libpq-dev
  libsdl2-dev libstb-dev
  libgtest-dev libbenchmark-dev libfmt-dev
  libboost-dev libsqlite3-dev libicu-dev
  fonts-liberation2 fonts-dejavu-core fonts-dancingscript fonts-yanone-kaffeesatz fonts-arphic-gbsn00lp
  xvfb xdotool libx11-dev xauth x11-xserver-utils
  file dpkg-dev lintian appstream
  emscripten fonttools chromium firefox-esr webkit2gtk-driver
  g++-mingw-w64-x86-64 wine wine64 nsis zip icoutils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
command -v npm >/dev/null || missing+=(npm)  # node and npm may come from elsewhere

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser tests' driver, at the exact versions of the lockfile, from the registry npm's
# own configuration names (a mirror, if the user set one); it drives the chromium and
# firefox-esr installed above (WebKitWebDriver is spoken to directly) and never downloads a
# browser. Skipped when the
# installed packages already match the lockfile.
cd "$(dirname "$0")/../web/test"
if ! cmp -s package-lock.json node_modules/.zorvane-lock 2>/dev/null; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --prefer-offline >/dev/null
  cp package-lock.json node_modules/.zorvane-lock
fi
