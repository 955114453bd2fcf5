#!/usr/bin/env bash
# Installs what the game needs to build, run and be tested, from Debian's packages.
# Usage: scripts/setup.sh            (as root, or through sudo)
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libpng-dev
  libgtest-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core fonts-dancingscript fonts-yanone-kaffeesatz fonts-arphic-gbsn00lp
  xvfb xdotool libx11-dev xauth
  file dpkg-dev lintian appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
