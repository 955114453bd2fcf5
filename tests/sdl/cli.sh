#!/bin/bash
# The window program's command line and start-up without a display, with exit statuses:
# --help and --version print and exit 0; an unknown option or an argument gets one line
# of usage on standard error and exit 2; with no display the game says so in one line and
# exits 1 at once, unless SDL_VIDEODRIVER names a driver.
#   cli.sh ZORVANE
set -u
game=$1
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# run EXPECTED-STATUS ARGS...: runs the game (at most 5 s) with stdout and stderr kept apart.
run() {
  local want=$1
  shift
  timeout 5 "$game" "$@" >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" -eq "$want" ] || fail "zorvane $*: exit status $status, not $want; stderr: $(cat "$work/err")"
}
lines() { wc -l <"$1"; }

run 0 --help
grep -q '^Usage: zorvane' "$work/out" && grep -q -- '--fullscreen' "$work/out" || fail "--help: $(cat "$work/out")"
[ -s "$work/err" ] && fail "--help wrote to stderr"
run 0 --version
head -1 "$work/out" | grep -q '^zorvane (Super Zorvane!) [0-9]' && grep -q 'MIT' "$work/out" &&
  grep -q 'The Super Zorvane! developers' "$work/out" || fail "--version: $(cat "$work/out")"

for bad in --fullscreem -x --help=yes extra; do
  run 2 "$bad"
  [ "$(lines "$work/err")" -eq 1 ] && grep -q "usage: zorvane" "$work/err" && grep -q -- "'$bad'" "$work/err" ||
    fail "zorvane $bad: stderr is not one line of usage: $(cat "$work/err")"
  [ -s "$work/out" ] && fail "zorvane $bad wrote to stdout"
done

# No display: neither X11 nor Wayland, with and without a runtime folder (without one,
# Wayland's probe would add a complaint of its own).
mkdir -m 700 "$work/runtime"
for runtime in "$work/runtime" ""; do
  start=$(date +%s%N)
  XDG_RUNTIME_DIR=$runtime run 1
  elapsed=$((($(date +%s%N) - start) / 1000000))
  [ "$(lines "$work/err")" -eq 1 ] && grep -q '^zorvane: no display found' "$work/err" ||
    fail "no display (XDG_RUNTIME_DIR='$runtime'): stderr: $(cat "$work/err")"
  [ "$elapsed" -lt 3000 ] || fail "no display: took $elapsed ms to give up"
done
# A driver named in SDL_VIDEODRIVER is the caller's choice: the game runs until stopped.
SDL_VIDEODRIVER=dummy run 124

[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
