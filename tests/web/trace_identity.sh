#!/usr/bin/env bash
# The replay tool built for the web, run under node, must write byte for byte the traces
# (and the messages and exit statuses) of the native one: every script under tests/, the
# README's screenshot script, some bad scripts, an unmet expect line and generated soak games
# (on the built-in layouts and on layouts of a player's own).
#   trace_identity.sh NATIVE_REPLAY WASM_REPLAY_JS SOAK_EXE SOURCE_DIR
# Exit status 77 (skipped) when the web build is missing.
set -u
native=$1 wasm=$2 soak=$3 src=$4
if [ ! -f "$wasm" ]; then
  echo "no web build at $wasm (cmake --preset web && cmake --build --preset web)"
  exit 77
fi
export NODE_PATH=/usr/share/nodejs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs one script through both tools and compares trace, messages and exit status.
same() {
  local script=$1 name=$2
  "$native" "$script" >"$work/n.out" 2>"$work/n.err"; local n=$?
  node "$wasm" "$script" >"$work/w.out" 2>"$work/w.err"; local w=$?
  if [ $n -ne $w ] || ! cmp -s "$work/n.out" "$work/w.out" || ! cmp -s "$work/n.err" "$work/w.err"; then
    echo "DIFFERENT: $name (exit $n native, $w web)"
    cmp "$work/n.out" "$work/w.out" | head -1
    diff "$work/n.err" "$work/w.err" | head -4
    failures=$((failures + 1))
  else
    echo "same: $name ($(wc -l <"$work/n.out") lines, exit $n)"
  fi
}

count=0
while IFS= read -r -d '' script; do
  same "$script" "${script#"$src"/}"
  count=$((count + 1))
done < <(find "$src/tests" "$src/docs" -type f \( -name '*.txt' -o -name '*.replay' \) ! -name CMakeLists.txt -print0 | sort -z)
[ $count -ge 4 ] || { echo "found only $count scripts under $src/tests"; failures=$((failures + 1)); }

i=0
for bad in 'rand 1e-50 0.5x' 'rand 0x1p-2' 'seed 12 13' 'wait 5\nclick nowhere' 'down 40000' $'rand 0.5\r\nwait 10\r\n# x' \
    'expect t=0 t=0' 'down 39\nwait 400\nexpect t=400 currentScore=0\nwait 90\nexpect t=490 ballVelocityY=7 lastCell=-1\nup 39'; do
  printf "$bad\n" >"$work/bad$i.txt"
  same "$work/bad$i.txt" "bad script $i"
  i=$((i + 1))
done

# Generated games on the built-in layouts, then on 1, 17 and 100 random layouts of a player's own.
for game in 3 4 5 9 '10 --layouts 1' '11 --layouts 17' '12 --layouts 100'; do
  set -- $game
  "$soak" --seed "$@" --events 30000 --record "$work/soak$1.replay" >/dev/null || failures=$((failures + 1))
  same "$work/soak$1.replay" "soak game, seed $game"
done

[ $failures -eq 0 ] && echo "all traces identical" || echo "$failures differ"
[ $failures -eq 0 ]
