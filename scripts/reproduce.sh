#!/usr/bin/env bash
# Proves that the artefacts reproduce: builds each of them a second time from a copy of the
# source in another folder (its files created in the reverse order, so that the file system
# lists them otherwise), with another time zone, locale and umask, no compiler cache and
# both builds dated by the same SOURCE_DATE_EPOCH (the last commit's), and compares the
# bytes with the first build's, the presets' own folders, which must be built already
# (scripts/dev.sh test and release do). Names each file that differs and its first
# differing byte; `diffoscope FIRST SECOND` (Debian package diffoscope) shows why.
#   scripts/reproduce.sh [deb] [windows] [site] [board]   (all four by default)
# deb: build/package's .deb (cpack -G DEB); windows: the installer and the zip; site: every
# file of build/web/site; board: the zorvane-board program, where the package build has it.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb windows site board)
: "${SOURCE_DATE_EPOCH:=$(git -C "$src" log -1 --format=%ct)}"
export SOURCE_DATE_EPOCH
again=$(mktemp -d "${TMPDIR:-/tmp}/zorvane-again.XXXXXX")
trap 'rm -rf "$again"' EXIT
copy=$again/source/tree

# The source as the first build saw it (committed or not, without what git ignores).
mkdir -p "$copy"
(cd "$src" && git ls-files -z --cached --others --exclude-standard | sort -rz |
   while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
   tar --null --no-recursion -cf - -T -) | (umask 077 && tar -xf - -C "$copy")

failures=0
# Compares two files byte for byte; names the first differing byte.
same() {
  local first=$1 second=$2 name=$3
  if [ ! -f "$first" ] || [ ! -f "$second" ]; then
    echo "DIFFERENT: $name: missing from the $([ -f "$first" ] && echo second || echo first) build"
    failures=$((failures + 1))
  elif cmp -s "$first" "$second"; then
    echo "same: $name ($(stat -c %s "$first") bytes)"
  else
    echo "DIFFERENT: $name: $(cmp "$first" "$second" 2>&1 | sed 's/.*differ: //' | head -1)"
    failures=$((failures + 1))
  fi
}
# Configures and builds a preset of the copy as a stranger would; the targets, if given.
build_again() {
  local preset=$1
  shift
  (cd "$copy" && umask 077 && env -u CMAKE_CXX_COMPILER_LAUNCHER -u CCACHE_BASEDIR TZ=ZZZ-13:45 LC_ALL=C.UTF-8 \
     LANG=C.UTF-8 bash -c 'cmake --preset "$0" >/dev/null && cmake --build --preset "$0" -j 2 "$@" >/dev/null' \
     "$preset" "$@")
}

for kind in "${kinds[@]}"; do
  case $kind in
    deb)
      build_again package
      (cd "$copy/build/package" && umask 022 && TZ=ZZZ-13:45 cpack -G DEB >/dev/null)  # as dev.sh package does
      deb=$(cd "$src/build/package" && ls zorvane_*.deb)
      same "$src/build/package/$deb" "$copy/build/package/$deb" "$deb"
      ;;
    windows)
      build_again windows --target zorvane-packages
      for f in $(cd "$src/build/windows" && ls zorvane-*-windows-x64-setup.exe zorvane-*-windows-x64.zip); do
        same "$src/build/windows/$f" "$copy/build/windows/$f" "$f"
      done
      ;;
    site)
      build_again web --target zorvane-site
      while IFS= read -r -d '' f; do
        same "$src/build/web/site/$f" "$copy/build/web/site/$f" "site/$f"
      done < <(cd "$copy/build/web/site" && find . -type f ! -name '.*' -printf '%P\0' | sort -z)
      ;;
    board)
      if [ -f "$src/build/package/zorvane-board" ]; then
        [ -f "$copy/build/package/zorvane-board" ] || build_again package --target zorvane-board
        same "$src/build/package/zorvane-board" "$copy/build/package/zorvane-board" zorvane-board
      else
        echo "no zorvane-board in build/package: not compared"
      fi
      ;;
    *) echo "unknown artefact: $kind (deb, windows, site or board)" >&2; exit 2 ;;
  esac
done
[ $failures -eq 0 ] && echo "every artefact reproduced" || echo "$failures files differ"
[ $failures -eq 0 ]
