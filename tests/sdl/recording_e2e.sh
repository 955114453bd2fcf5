#!/bin/bash
# Recorded games end to end, on a private X server: a seeded pattern of play (holds, taps,
# auto-repeat, P and a click on Pause, F1 and F2, a game over and a click on Game Over) with
# two stalls of the process, recorded with --record and --trace. Then:
#  - zorvane-replay of the recording writes the very trace the window wrote, and meets every
#    expect line in it (that a changed copy fails at its line is the replay's, tested in C++);
#  - --watch of the recording at speed 8 with --record: the new recording holds the watched
#    one and then the player's game, and replays to the window's trace;
#  - a recording on a layout file, cut by kill -9, holds the layouts, ends on a whole line
#    and replays up to it.
#   recording_e2e.sh ZORVANE ZORVANE_REPLAY XPROBE SEED
set -u
game=$1 replay=$2 probe=$3 seed=$4
. "$(dirname "$0")/private_x.sh"
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
RANDOM=$seed
fail_label="seed $seed"
pick() { r=$(($1 + RANDOM % ($2 - $1 + 1))); }  # r: a whole number from $1 to $2 (no subshell)
nap() { pick "$1" "$2"; sleep "$(printf '0.%03d' "$r")"; }  # $1..$2 ms, under a second
# Starts the game with the given options and finds its window.
launch() {
  "$game" "$@" 2>"$work/game.err" &
  game_pid=$!
  win=$(timeout "$patience" xdotool search --all --sync --pid "$game_pid" --name '^Super Zorvane!' | head -1)
  [ -n "$win" ] || fail "no window for: zorvane $*"
}
# Closes the window and waits for the game to exit with status 0.
close_game() {
  "$probe" close "$win" || fail "cannot send WM_DELETE_WINDOW"
  await_exit "when its window was closed"
  [ "$status" -eq 0 ] || fail "exit status $status after closing the window"
}
# The Pause and Game Over buttons both have their centre here at scale 1.
click_button() { xdotool mousemove --window "$win" 304 240 click 1; }
pause_and_click() { xdotool key --window "$win" p; nap 100 400; click_button; }
# One random move of the pattern.
move() {
  local arrow=Left layout=F1
  pick 0 1; [ "$r" = 0 ] || arrow=Right
  pick 0 1; [ "$r" = 0 ] || layout=F2
  pick 0 9
  case $r in
    0|1|2) xdotool keydown --window "$win" "$arrow"; nap 50 999; xdotool keyup --window "$win" "$arrow" ;;
    3) xdotool keydown --window "$win" "$arrow"; sleep 0.9; xdotool keyup --window "$win" "$arrow" ;;  # auto-repeat
    4|5) xdotool key --window "$win" "$arrow" ;;
    6) xdotool key --window "$win" "$layout" ;;
    7) pause_and_click ;;
    *) nap 50 500 ;;
  esac
  nap 0 200
}
stall() { kill -STOP "$game_pid"; sleep 0.5; kill -CONT "$game_pid"; }

start_private_x || fail "Xvfb did not start: $(cat "$work/xvfb.err")"

# 1. Play, recorded and traced.
launch --record "$work/game.zrec" --trace "$work/live.trace"
began=$(date +%s%N)
xdotool key --window "$win" Right  # serve
for i in $(seq 24); do
  move
  [ "$i" = 8 ] || [ "$i" = 16 ] && stall
  # Whatever the seed, each kind of input comes at least once.
  case $i in
    2) xdotool keydown --window "$win" Right; sleep 0.9; xdotool keyup --window "$win" Right ;;
    4) xdotool key --window "$win" F1 ;;
    12) pause_and_click ;;
    20) xdotool key --window "$win" F2 ;;
  esac
done
# Let the ball go until the game is over (the trace is written at least once a second),
# serving whenever it rests, then click Game Over.
over=
for _ in $(seq $((patience * 2))); do
  if tail -c 4000 "$work/live.trace" | tail -1 | grep -q '"gameover":true'; then over=1; break; fi
  xdotool key --window "$win" Right
  sleep 0.5
done
[ -n "$over" ] || fail "no game over within $patience s"
click_button
move
while [ $((($(date +%s%N) - began) / 1000000)) -lt 22000 ]; do move; done
close_game

grep -q '^catchup ' "$work/game.zrec" || fail "no catchup line after two stalls"
[ "$(grep -c '^randomize ' "$work/game.zrec")" -ge 2 ] || fail "no randomize line for the restart"
grep -q '"ev":"click gameover"' "$work/live.trace" || fail "the click on Game Over was not handled"
grep -q '"ev":"click pause"' "$work/live.trace" || fail "no click on Pause was handled"
for ev in 'down 112' 'down 113' 'down 80'; do
  grep -q "\"ev\":\"$ev\"" "$work/live.trace" || fail "no $ev was handled"
done
# Auto-repeat: a key pressed again with no release between.
awk '$1 == "down" && $2 == last { found = 1 } $1 == "down" { last = $2 } $1 == "up" { last = "" } END { exit !found }' \
  "$work/game.zrec" || fail "no auto-repeated key in the recording"
"$replay" "$work/game.zrec" >"$work/replay.trace" 2>"$work/replay.err" || fail "zorvane-replay: $(cat "$work/replay.err")"
cmp "$work/replay.trace" "$work/live.trace" || fail "the replay's trace differs from the live one"
head -1 "$work/game.zrec" | grep -Eq '^# Super Zorvane! [0-9.]+ recording, [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} UTC: ' ||
  fail "no heading with the version and the time: $(head -1 "$work/game.zrec" | cut -c1-100)"
[ "$(grep -c '^expect t=' "$work/game.zrec")" -ge 3 ] || fail "fewer than 3 expect lines in 22 s of play"
tail -1 "$work/game.zrec" | grep -q '^expect t=' || fail "the recording does not end with an expect line"
played=$(awk '$1 == "wait" || $1 == "catchup" { t += $2 } END { print t / 1000 }' "$work/game.zrec")
echo "recorded $played s of play in $(wc -l <"$work/game.zrec") lines, $(wc -l <"$work/live.trace") events: replayed identically"

# 2. Watched at speed 8 and recorded: when the recording ends the window is the player's,
# and the new recording (the watched one's game lines written again, without its comments
# and expect lines, then the player's game) replays to the very
# trace the window wrote. (The watch clock, its jumps and speeds are tested in C++.)
launch --watch "$work/game.zrec" --speed 8 --record "$work/after.zrec" --trace "$work/watch.trace"
timeout "$patience" xdotool search --all --sync --pid "$game_pid" --name '^Super Zorvane!$' >/dev/null ||
  fail "the title did not come back after the recording"
xdotool key --window "$win" Right
nap 200 400
xdotool key --window "$win" p
close_game
sed '/^#/,$d' "$work/after.zrec" >"$work/after.start"
"$replay" "$work/after.start" >"$work/start.trace" 2>"$work/replay.err" || fail "zorvane-replay of the new recording's start: $(cat "$work/replay.err")"
cmp "$work/start.trace" "$work/live.trace" || fail "the new recording does not begin with the watched one's game"
"$replay" "$work/after.zrec" >"$work/after.trace" 2>"$work/replay.err" || fail "zorvane-replay of the recording after watching: $(cat "$work/replay.err")"
cmp "$work/after.trace" "$work/watch.trace" || fail "the recording after watching does not replay to the window's trace"
echo "watched at speed 8, then played on: recorded and replayed identically"

# 3. Killed with kill -9, on layouts of the player's own: the recording begins with them,
# ends on a whole line and replays up to it.
zero=0000000000000000000000000000000000000000
{
  echo "# two layouts of my own"
  echo "layout 8990878891979695949392898887868584838281 $zero $zero $zero $zero $zero $zero 0101010101010101010101010101010101010101 7778798081828384858677787980818283848586 2930313233343536373839404142434445464748"
  echo "layout $zero $zero $zero $zero $zero $zero $zero $zero $zero 9999999999999999999999999999999999999999"
} >"$work/mine.layouts"
launch --layouts "$work/mine.layouts" --record "$work/killed.zrec" --trace "$work/killed-live.trace"
xdotool search --all --pid "$game_pid" --name 'your own layouts from mine.layouts$' >/dev/null ||
  fail "the title does not say the layouts are the player's own"
xdotool key --window "$win" Right
for _ in $(seq 6); do move; done
kill -9 "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=
[ "$(tail -c 1 "$work/killed.zrec" | od -An -c | tr -d ' ')" = '\n' ] || fail "the killed recording ends mid-line"
[ "$(sed -n '2,3p' "$work/killed.zrec")" = "$(grep '^layout' "$work/mine.layouts")" ] ||
  fail "the recording does not begin with the layouts: $(sed -n 2p "$work/killed.zrec" | cut -c1-80)"
"$replay" "$work/killed.zrec" >"$work/killed.trace" 2>"$work/replay.err" || fail "zorvane-replay of the killed recording: $(cat "$work/replay.err")"
[ "$(wc -l <"$work/killed.trace")" -gt 10 ] || fail "the killed recording replays almost nothing"
# Both files were cut by the kill: the shorter is the beginning of the longer.
a=$(stat -c %s "$work/killed.trace") b=$(stat -c %s "$work/killed-live.trace")
cmp -n "$((a < b ? a : b))" "$work/killed.trace" "$work/killed-live.trace" || fail "the killed game's replay left its course"
echo "killed: $(wc -l <"$work/killed.trace") events replayed"
echo PASS
