#!/usr/bin/env bash
# One-command entry points: `scripts/dev.sh play` installs, builds and starts the game;
# `scripts/dev.sh test` installs, builds and runs every test, also under the sanitizers,
# and fuzzes the replay scripts for a fixed number of inputs;
# `scripts/dev.sh package` builds the Debian package zorvane_VERSION_ARCH.deb here;
# `scripts/dev.sh web` builds the page and serves it on http://127.0.0.1:8000/;
# `scripts/dev.sh board` builds the page and the board of proven scores and starts the board
# on http://127.0.0.1:8000/, its games in zorvane-board.sqlite here;
# `scripts/dev.sh windows` cross-builds the Windows installer and portable zip here;
# `scripts/dev.sh release` builds every artefact from nothing, proves that they reproduce
# (scripts/reproduce.sh) and leaves them in release/ with their SHA256SUMS.
set -euo pipefail
cd "$(dirname "$0")/.."

# Runs a step and says how long it took, on stderr (the test command's times, step by step).
timed() {
  local start=$SECONDS
  "$@"
  echo "dev.sh: $* took $((SECONDS - start)) s" >&2
}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
}

# Builds the Debian package and puts it in the project's folder; prints its name.
package() {
  build package >&2
  # Under umask 022, as dpkg-buildpackage makes packages: cpack's own files take their modes from it.
  (cd build/package && rm -f ./*.deb && umask 022 && cpack -G DEB >&2)
  local deb
  deb=$(cd build/package && ls zorvane_*.deb)
  cp "build/package/$deb" .
  echo "$deb"
}

case "${1:-}" in
  play)
    scripts/setup.sh
    build release
    exec ./build/release/zorvane
    ;;
  test)
    timed scripts/setup.sh
    timed build web
    timed build windows
    timed build release
    timed ctest --preset release
    deb=$(timed package)
    timed bash tests/package/check.sh "$deb" build/web/site
    # Each artefact built a second time elsewhere, the same bytes (the deb's build makes the board).
    timed scripts/reproduce.sh deb board windows site
    timed build asan
    timed ctest --preset asan
    timed scripts/fuzz.sh
    echo "dev.sh: every test passed in $((SECONDS / 60)) min $((SECONDS % 60)) s" >&2
    ;;
  package)
    scripts/setup.sh
    package
    ;;
  web)
    scripts/setup.sh
    build web
    exec node web/serve.mjs build/web/site 8000
    ;;
  board)
    scripts/setup.sh
    build web
    cmake --preset release >/dev/null
    cmake --build --preset release --target zorvane-board -j "$(nproc)"
    exec ./build/release/board/zorvane-board --site build/web/site --db sqlite:zorvane-board.sqlite
    ;;
  windows)
    scripts/setup.sh
    build windows
    cp build/windows/zorvane-*-windows-x64-setup.exe build/windows/zorvane-*-windows-x64.zip .
    ls zorvane-*-windows-x64-setup.exe zorvane-*-windows-x64.zip
    ;;
  release)
    scripts/setup.sh
    rm -rf build/package build/windows build/web release
    build web
    build windows
    deb=$(package)
    bash tests/package/check.sh "$deb" build/web/site
    scripts/reproduce.sh
    mkdir release
    mv "$deb" release/
    cp build/windows/zorvane-*-windows-x64-setup.exe build/windows/zorvane-*-windows-x64.zip release/
    cp build/package/board/zorvane-board release/
    version=${deb#zorvane_}
    version=${version%%_*}
    epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
    tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode=u=rwX,go=rX --format=gnu \
      -C build/web -cf - site | gzip -9n >"release/zorvane-$version-site.tar.gz"
    (cd release && sha256sum -- * >SHA256SUMS && cat SHA256SUMS)
    ;;
  *)
    echo "usage: scripts/dev.sh play|test|package|web|board|windows|release" >&2
    exit 2
    ;;
esac
