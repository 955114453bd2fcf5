#!/usr/bin/env bash
# Proves that the artefacts reproduce: builds each of them a second time from a copy of the
# source in another folder (its files created in the reverse order, so that the file system
# lists them otherwise), with another time zone, locale and umask, no compiler cache and
# both builds dated by the same SOURCE_DATE_EPOCH (the last commit's), and compares the
# bytes with the first build's, the presets' own folders, which must be built already
# (scripts/dev.sh test and release do). Names each file that differs and its first
# differing byte, and in a .deb each file of it that differs; `diffoscope FIRST SECOND`
# (Debian package diffoscope) shows why. Says how long each second build took.
#   scripts/reproduce.sh [deb] [windows] [site] [board]   (all four by default)
# deb: build/package's .deb (cpack -G DEB); windows: the installer and the zip; site: every
# file of build/web/site; board: build/package's zorvane-board, from the deb's second build
# when it has one.
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
# The first byte at which two files differ, as cmp names it ("byte N, line M").
first_difference() { { cmp "$1" "$2" 2>&1 || true; } | sed 's/.*differ: //' | head -1; }
# Compares two files byte for byte; names the first differing byte.
same() {
  local first=$1 second=$2 name=$3
  if [ ! -f "$first" ] || [ ! -f "$second" ]; then
    echo "DIFFERENT: $name: missing from the $([ -f "$first" ] && echo second || echo first) build"
    failures=$((failures + 1))
  elif cmp -s "$first" "$second"; then
    echo "same: $name ($(stat -c %s "$first") bytes)"
  else
    echo "DIFFERENT: $name: $(first_difference "$first" "$second")"
    failures=$((failures + 1))
    [[ $name != *.deb ]] || inside_deb "$first" "$second"
  fi
}
# Two packages that differ: each file in them (control files under DEBIAN/) that differs,
# or, when every file is the same, the first line of their listings (modes, owners, dates,
# order) that differs.
inside_deb() {
  local f files=0
  rm -rf "$again/deb1" "$again/deb2"
  dpkg-deb -R "$1" "$again/deb1" && dpkg-deb -R "$2" "$again/deb2" || return 0
  while IFS= read -r -d '' f; do
    cmp -s "$again/deb1/$f" "$again/deb2/$f" 2>/dev/null && continue
    echo "  in it: $f: $([ -f "$again/deb2/$f" ] && first_difference "$again/deb1/$f" "$again/deb2/$f" ||
      echo missing from the second build)"
    files=$((files + 1))
  done < <(cd "$again/deb1" && find . -type f -printf '%P\0' | sort -z)
  [ $files -gt 0 ] || diff <(dpkg-deb -c "$1") <(dpkg-deb -c "$2") | sed -n '2{s/^/  its listing: /;p;q}'
}
# Configures and builds a preset of the copy as a stranger would; the targets, if given.
build_again() {
  local preset=$1
  shift
  (cd "$copy" && umask 077 && env -u CMAKE_CXX_COMPILER_LAUNCHER -u CCACHE_BASEDIR TZ=ZZZ-13:45 LC_ALL=C.UTF-8 \
     LANG=C.UTF-8 bash -c 'cmake --preset "$0" >/dev/null && cmake --build --preset "$0" -j 2 "$@" >/dev/null' \
     "$preset" "$@")
}

board=build/package/board/zorvane-board
for kind in "${kinds[@]}"; do
  start=$SECONDS
  case $kind in
    deb)
      build_again package
      # As dev.sh package does; cpack talks on stderr too.
      (cd "$copy/build/package" && umask 022 && TZ=ZZZ-13:45 cpack -G DEB >"$again/cpack.log" 2>&1) ||
        { cat "$again/cpack.log" >&2; exit 1; }
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
      if [ -f "$src/$board" ]; then
        [ -f "$copy/$board" ] || build_again package --target zorvane-board
        same "$src/$board" "$copy/$board" zorvane-board
      else
        echo "no $board: not compared"
      fi
      ;;
    *) echo "unknown artefact: $kind (deb, windows, site or board)" >&2; exit 2 ;;
  esac
  echo "$kind: $((SECONDS - start)) s"
done
[ $failures -eq 0 ] && echo "every artefact reproduced" || echo "$failures files differ"
[ $failures -eq 0 ]
