#!/bin/bash
# The window program's command line and start-up without a display, with exit statuses:
# --help and --version print and exit 0; an unknown option or an argument gets one line
# of usage on standard error and exit 2; with no display the game says so in one line and
# exits 1 at once, unless SDL_VIDEODRIVER names a driver.
#   cli.sh ZORVANE
set -u
game=$(realpath "$1")
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# run EXPECTED-STATUS ARGS...: runs the game with stdout (to $out if set) and stderr kept
# apart, under the command in $wrap if any. It may take $limit s (default 120: a loaded
# machine may be slow to start it), then SIGTERM ends it with status 124. With $until set,
# the game is left to run until it has said something on stderr, then SIGTERM ends it, and
# the status is its own.
wrap=()
run() {
  local want=$1
  shift
  if [ -n "${until:-}" ]; then
    "${wrap[@]}" "$game" "$@" >"${out:-$work/out}" 2>"$work/err" &
    local pid=$! i
    for i in $(seq 2400); do [ -s "$work/err" ] && break; sleep 0.05; done
    kill -TERM "$pid"
    wait "$pid"
  else
    timeout "${limit:-120}" "${wrap[@]}" "$game" "$@" >"${out:-$work/out}" 2>"$work/err"
  fi
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

# Messages quote what they were given escaped and cut short; output that cannot be
# written is a failure.
long=--$(printf '%*s' 100000 '' | tr ' ' x)
while IFS='|' read -r want args says; do
  eval "set -- $args"
  run "$want" "$@"
  [ "$(lines "$work/err")" -eq 1 ] && [ "$(wc -c <"$work/err")" -lt 300 ] && ! LC_ALL=C grep -q '[^ -~]' "$work/err" &&
    grep -qF -- "$says" "$work/err" || fail "zorvane ${args:0:60}: stderr: $(head -c 300 "$work/err" | od -c | head -5)"
done <<'END'
2|--bogus$'\e]0;x\a'|'--bogus\x1b]0;x\x07'
2|"$long"|'--xxxxxxxxxxxxxxxxxxxx
2|nothing$'\r'here|'nothing\x0dhere'
2|--watch x --speed $'\e[2J'|not '\x1b[2J'
1|--watch "$long"|File name too long
1|--record "$long"|File name too long
END
for option in --help --version; do
  out=/dev/full run 1 "$option"
  [ "$(cat "$work/err")" = "zorvane: cannot write to standard output: No space left on device" ] ||
    fail "zorvane $option >/dev/full: stderr: $(cat "$work/err")"
done

# Files and options refused before any window: output files named twice or also the script
# to watch, refused before anything is opened; with no display, no file is emptied; a layout
# file or a recording that cannot be read or is bad; the speed out of its range or alone. Each row: the set-up, the options, the exit status,
# what standard error says (one line), and what must hold after.
cd "$work" || exit 1
printf 'wait 10\n' >keep.zrec
while IFS='|' read -r setup args want says after; do
  rm -f precious x link.zrec
  echo precious >precious
  eval "$setup"
  eval "set -- $args"
  run "$want" "$@"
  [ "$(lines "$work/err")" -eq 1 ] && grep -qF -- "$says" "$work/err" && eval "$after" ||
    fail "zorvane $args (after $setup): status $status, stderr: $(cat "$work/err")"
done <<'END'
:|--watch keep.zrec --trace keep.zrec|2|--watch and --trace name the same file 'keep.zrec'|[ "$(cat keep.zrec)" = 'wait 10' ]
ln -s keep.zrec link.zrec|--trace link.zrec --watch ./keep.zrec|2|name the same file|[ "$(cat keep.zrec)" = 'wait 10' ]
:|--record x --trace ./x|2|--record and --trace name the same file './x'|[ ! -e x ]
:|--record keep.zrec --layouts keep.zrec|2|--layouts and --record name the same file 'keep.zrec'|[ "$(cat keep.zrec)" = 'wait 10' ]
:|--record precious --trace precious|2|name the same file|[ "$(cat precious)" = precious ]
:|--record precious|1|no display found|[ "$(cat precious)" = precious ]
:|--trace precious|1|no display found|[ "$(cat precious)" = precious ]
:|--record /dev/null --trace /dev/null|1|no display found|:
printf 'layout 12\n' >x|--edit x|2|x, line 1:|[ "$(cat x)" = 'layout 12' ]
:|--edit x --record precious|2|--edit goes alone|[ "$(cat precious)" = precious ] && [ ! -e x ]
mkfifo x|--edit x|1|cannot edit x: not a regular file|[ -p x ]
printf '# mine\nlayout 12 34\n' >x|--layouts x|2|x, line 2: layout row "12" is not 40 digits|:
:|--layouts keep.zrec|2|is not a layout file|:
echo '# nothing yet' >x|--layouts x|2|holds no layout line|:
:|--layouts missing.layouts|1|cannot read|:
echo '# nothing yet' >x|--layouts x --watch keep.zrec|2|together|:
printf 'wait 10\nhop 3\n' >x|--watch x|2|x, line 2: |:
:|--watch missing.zrec|1|cannot read|:
:|--record no/such/dir/game.zrec|1|cannot write no/such/dir/game.zrec: No such file|:
:|--trace .|1|cannot write .: |:
:|--watch keep.zrec --speed 9|2|--speed|:
:|--watch keep.zrec --speed 0.2|2|--speed|:
:|--speed 2|2|--watch|:
:|--record|2|needs|:
END
cd - >/dev/null || exit 1

# A file over the size limit, a full disk and a pipe whose reader has gone fail the write:
# told once, the game plays on (until SIGTERM ends it) and then exits with status 1, and
# the file ends on a whole line. Once the window is open, the old lines of a file are gone.
until=said
wrap=(bash -c 'ulimit -f 1; exec "$0" "$@"')
printf 'old line %s\n' $(seq 40) >"$work/old.zrec"
SDL_VIDEODRIVER=dummy run 1 --trace "$work/big.trace" --record "$work/old.zrec"
grep -q 'cannot write .*big.trace: File too large' "$work/err" && [ "$(lines "$work/err")" -eq 1 ] &&
  { [ ! -s "$work/big.trace" ] || [ -z "$(tail -c 1 "$work/big.trace")" ]; } &&
  head -1 "$work/old.zrec" | grep -q '^# Super Zorvane! [0-9.]* recording, ' && ! grep -q old "$work/old.zrec" ||
  fail "--trace over the size limit: status $status, stderr: $(cat "$work/err"), recording: $(head -3 "$work/old.zrec")"
wrap=()
SDL_VIDEODRIVER=dummy run 1 --record /dev/full
[ "$(cat "$work/err")" = "zorvane: cannot write /dev/full: No space left on device" ] ||
  fail "--record /dev/full: status $status, stderr: $(cat "$work/err")"
mkfifo "$work/pipe"
head -c 100 <"$work/pipe" >/dev/null &
reader=$!  # the game finds the pipe with a reader once it waits in open() for a writer
for _ in $(seq 600); do [ "$(cat /proc/$reader/wchan 2>/dev/null)" = wait_for_partner ] && break; sleep 0.05; done
SDL_VIDEODRIVER=dummy run 1 --trace "$work/pipe"
grep -q 'cannot write .*pipe: Broken pipe' "$work/err" && [ "$(lines "$work/err")" -eq 1 ] ||
  fail "--trace into a closed pipe: status $status, stderr: $(cat "$work/err")"
wait
unset until

# No display: neither X11 nor Wayland, with and without a runtime folder (without one,
# Wayland's probe would add a complaint of its own).
mkdir -m 700 "$work/runtime"
for runtime in "$work/runtime" ""; do
  XDG_RUNTIME_DIR=$runtime run 1
  [ "$(lines "$work/err")" -eq 1 ] && grep -q '^zorvane: no display found' "$work/err" ||
    fail "no display (XDG_RUNTIME_DIR='$runtime'): stderr: $(cat "$work/err")"
done
# A driver named in SDL_VIDEODRIVER is the caller's choice: the game runs until stopped.
SDL_VIDEODRIVER=dummy limit=2 run 124

[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
