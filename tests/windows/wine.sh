#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, one row of the table per check:
#   trace DIR        every replay script under DIR: trace, messages and exit status identical
#   bad TEXT         a bad or unmet script, written from TEXT: the same
#   soak SEED        a generated soak game: the same trace
#   shot SCRIPT ARG  --screenshot with ARG (--scale N or --size WxH): the same PNG bytes
#   wine.sh LINUX_REPLAY SOAK_EXE WINDOWS_BUILD SOURCE_DIR
# One Wine prefix for the whole run, ended with wineserver -k. Exit status 77 (skipped)
# when the Windows build or Wine is missing.
set -u
native=$1 soak=$2 win=$3 src=$4
if [ ! -f "$win/zorvane-replay.exe" ] || ! command -v wine >/dev/null; then
  echo "no Windows build at $win or no wine (cmake --preset windows && cmake --build --preset windows)"
  exit 77
fi
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
replay=("wine" "$win/zorvane-replay.exe")
failures=0
fail() {
  echo "DIFFERENT: $*"
  failures=$((failures + 1))
}

# One script through both tools: trace, messages and exit status.
same() {
  local script=$1 name=$2
  "$native" "$script" >"$work/n.out" 2>"$work/n.err"; local n=$?
  "${replay[@]}" "$script" >"$work/w.out" 2>"$work/w.err"; local w=$?
  if [ $n -ne $w ] || ! cmp -s "$work/n.out" "$work/w.out" || ! cmp -s "$work/n.err" "$work/w.err"; then
    fail "$name (exit $n on Linux, $w under Wine)"
    cmp "$work/n.out" "$work/w.out" | head -1
    diff "$work/n.err" "$work/w.err" | head -4
  else
    echo "same: $name ($(wc -l <"$work/n.out") lines, exit $n)"
  fi
}

rows=0
while read -r kind rest; do
  [ -z "$kind" ] && continue
  read -r a b <<<"$rest"
  rows=$((rows + 1))
  case $kind in
    trace)
      count=0
      while IFS= read -r -d '' script; do
        same "$script" "${script#"$src"/}"
        count=$((count + 1))
      done < <(find "$src/$a" -type f \( -name '*.txt' -o -name '*.replay' \) ! -name CMakeLists.txt -print0 | sort -z)
      [ $count -ge 1 ] || fail "no scripts under $src/$a"
      ;;
    bad)
      printf "$rest\n" >"$work/bad$rows.txt"
      same "$work/bad$rows.txt" "bad script: $rest"
      ;;
    soak)
      "$soak" --seed "$a" --events 30000 --record "$work/soak$a.replay" >/dev/null || fail "soak seed $a"
      same "$work/soak$a.replay" "soak game, seed $a"
      ;;
    shot)
      "$native" --screenshot "$work/n.png" $b "$src/$a" >/dev/null
      "${replay[@]}" --screenshot "$work/w.png" $b "$src/$a" >/dev/null
      if cmp -s "$work/n.png" "$work/w.png" && [ -s "$work/n.png" ]; then
        echo "same: screenshot of $a, $b ($(wc -c <"$work/n.png") bytes)"
      else
        fail "screenshot of $a, $b"
      fi
      ;;
    *) fail "unknown row: $kind $a $b" ;;
  esac
done <<'TABLE'
trace tests/replay/scripts
trace docs
bad rand 1e-50 0.5x
bad seed 12 13
bad wait 5\nclick nowhere
bad down 40000
bad down 39\nwait 400\nexpect t=400 currentScore=0\nwait 90\nexpect t=490 ballVelocityY=7 lastCell=-1\nup 39
soak 3
soak 4
soak 9
shot docs/screenshot.replay --scale=1
shot docs/screenshot.replay --scale=2
shot tests/replay/scripts/gameover.txt --size=900x600
TABLE

[ $failures -eq 0 ] && echo "all $rows rows the same under Wine" || echo "$failures differ"
[ $failures -eq 0 ]
