#!/bin/bash
# The real game in a window on a private X server: the ball leaves the paddle on Right,
# P shows the pause button, which looks pushed in while the mouse button is held on it and
# is clicked only by a release over it, and closing the window exits with status 0; this
# one with --sound and no sound device, which it warns of once. Then with --mouse and --sound (SDL's dummy audio): the paddle goes to the pointer and
# rests near it, lets go when the pointer leaves, the effects play, and the recording of
# that game replays to its live trace byte for byte. Last, every way a game can be ended
# from outside leaves a recording that ends with one expect line, which the replay meets.
# And the layout editor (--edit): keys paint, Ctrl+S saves a layout file the replay tool
# plays, and leaving unsaved asks first.
#   e2e.sh ZORVANE XPROBE [ZORVANE_REPLAY]
set -u
game=$1 probe=$2 replay=${3:-}
. "$(dirname "$0")/private_x.sh"
failure_picture="${TMPDIR:-/tmp}/zorvane-e2e-failure.png"

start_private_x || fail "Xvfb did not start: $(cat "$work/xvfb.err")"

# --sound with no sound device: one warning, and the game plays as ever.
SDL_AUDIODRIVER=none SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" --sound --trace "$work/first.trace" 2>"$work/game.err" &
game_pid=$!
win=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Super Zorvane!'"

# Waits (up to $patience s, only ever reached on a failure) until FILE holds COUNT (default 1) lines
# matching PATTERN; a file not written yet holds none.
await_line() {
  local n
  for _ in $(seq "$polls"); do
    n=$(grep -c -- "$1" "$2" 2>/dev/null)
    [ "${n:-0}" -ge "${3:-1}" ] && return 0
    sleep 0.05
  done
  return 1
}
# Pixels of one colour in a part of the window (fractions of its size).
look() { "$probe" count "$win" "$@"; }
# Waits (up to $patience s, only ever reached on a failure) for a condition on the probe's output
# ($1: colour and area, $2: awk test).
until_seen() {
  local out
  for _ in $(seq "$polls"); do
    out=$(look $1)
    if echo "$out" | awk "{ exit !($2) }"; then echo "$out"; return 0; fi
    sleep 0.05
  done
  echo "$out"
  return 1
}

# The ball (blue) rests on the paddle, below the bricks.
lower="0000ff 0 0.65 1 1"
rest=$(until_seen "$lower" '$1 > 10') || fail "no ball on the paddle: $rest"
rest_bottom=$(echo "$rest" | awk '{print $5}')

xdotool keydown --window "$win" Right
moved=$(until_seen "$lower" "\$1 == 0 || \$5 < $rest_bottom - 3") || fail "the ball did not leave the paddle: $moved (resting: $rest)"
xdotool keyup --window "$win" Right

# P shows the cyan pause button over the middle of the playfield.
middle="00ffff 0.35 0.35 0.72 0.62"
before=$(look $middle | awk '{print $1}')
xdotool key --window "$win" p
shown=$(until_seen "$middle" "\$1 > $before + 5000") || fail "no pause button after P: $shown"
read -r _ left top right bottom _ _ <<<"$shown"

# Held down, the button looks pushed in (a shaded face); released elsewhere, nothing happens:
# a key pressed after the release reaches the trace, and no click came before it.
pushed="00dfdf 0.35 0.35 0.72 0.62"
xdotool mousemove --window "$win" $(((left + right) / 2)) $(((top + bottom) / 2)) mousedown 1
down=$(until_seen "$pushed" '$1 > 5000') || fail "the pause button does not look pushed in: $down"
xdotool mousemove --window "$win" 5 5 mouseup 1 key --window "$win" Left
await_line '"ev":"down 37"' "$work/first.trace" || fail "the key after the release never reached the game"
grep -q '"ev":"click pause"' "$work/first.trace" && fail "a release outside the button clicked it"

# A click on it resumes play and hides it.
xdotool mousemove --window "$win" $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
gone=$(until_seen "$middle" "\$1 <= $before + 100") || fail "the pause button stayed after a click: $gone"

"$probe" close "$win" || fail "cannot send WM_DELETE_WINDOW"
await_exit "when its window was closed"
[ "$status" -eq 0 ] || fail "exit status $status after closing the window"
[ "$(wc -l <"$work/game.err")" = 1 ] && grep -q '^zorvane: no sound: ' "$work/game.err" ||
  fail "not one warning for --sound with no sound device: $(head -c 300 "$work/game.err")"
[ -n "$replay" ] || { echo "PASS"; exit 0; }

# The editor on a file not made yet: 07 chosen, Space paints the cell under the cursor, T
# tries the layout and Esc comes back, Ctrl+S saves a file the replay tool plays; a change
# after it asks before the first Esc leaves, and the second leaves the file as saved. (What
# a save may meet on the disc is the session's and the save routine's, tested without a window.)
editing="$work/mine.layouts"
SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" --edit "$editing" 2>"$work/game.err" &
game_pid=$!
win=$(timeout "$patience" xdotool search --sync --pid "$game_pid" --name 'making layouts: mine.layouts' | head -1)
[ -n "$win" ] || fail "no editor window"
title_is() {  # waits (up to $patience s) for the window's title to match $1
  for _ in $(seq "$polls"); do xdotool getwindowname "$win" | grep -q -- "$1" && return 0; sleep 0.05; done
  fail "the title is '$(xdotool getwindowname "$win")', not like '$1'"
}
xdotool key --window "$win" 0 7 Right space
title_is 'Layout 1 of 1: 1 brick, 1 to clear (unsaved)'
xdotool key --window "$win" t
title_is 'trying mine.layouts, layout 1 (Esc: back to the editor)'
xdotool key --window "$win" Escape
title_is 'Layout 1 of 1: 1 brick, 1 to clear (unsaved)'
xdotool key --window "$win" ctrl+s
title_is 'Saved to mine.layouts'
[ "$(grep -c '^layout ' "$editing")" = 1 ] && grep -q '^layout 0007000' "$editing" ||
  fail "the saved file: $(head -c 300 "$editing")"
"$replay" --quiet "$editing" 2>"$work/replay.err" || fail "zorvane-replay refuses the saved file: $(cat "$work/replay.err")"
cp "$editing" "$work/saved.layouts"
xdotool key --window "$win" Down space
xdotool key --window "$win" Escape
title_is 'Unsaved changes: Esc again leaves'
kill -0 "$game_pid" 2>/dev/null || fail "the editor left with unsaved changes at the first Esc"
xdotool key --window "$win" Escape
await_exit "when the editor was left"
[ "$status" -eq 0 ] || fail "the editor left with exit status $status"
cmp -s "$editing" "$work/saved.layouts" || fail "leaving unsaved changed the file"
[ -z "$(ls -A "$work" | grep zorvane-save)" ] || fail "a temporary file was left: $(ls -A "$work")"
echo "editor: painted, tried, saved, asked before leaving unsaved, left"

# The mouse steers: the paddle's centre (trace: "paddle":[left,top,width,height]) goes to
# the pointer at its own speed, and the key is let go within one step (2 x baseSpeed) of it.
ZORVANE_REPORT_SOUND=1 SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 \
  "$game" --mouse --sound --record "$work/mouse.zrec" --trace "$work/mouse.trace" 2>"$work/game.err" &
game_pid=$!
win=$(timeout "$patience" xdotool search --sync --pid "$game_pid" --name '^Super Zorvane!$' | head -1)
[ -n "$win" ] || fail "no window with --mouse --sound"
scale=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ { split($2, g, "x"); print g[1] / 568 }')
# Per line: t, the paddle's centre, paddleDirection, one step, livesLeft, the paddle's timer
# interval (0: paused, over or cleared), the event ("Timer2", "up 39").
paddle_lines() {
  sed -n 's/^{"t":\([0-9]*\),"ev":"\([^"]*\)".*"livesLeft":\([0-9]*\).*"paddleDirection":\([0-9]*\).*"baseSpeed":\([0-9.]*\).*"paddle":\[\([0-9.]*\),[0-9.]*,\([0-9.]*\).*"timers":\[\([0-9]*\),.*/\1 \6 \7 \4 \5 \3 \8 \2/p' "$work/mouse.trace" |
    awk '{ $2 = $2 + $3 / 2; $3 = $4; $4 = 2 * $5; $5 = $6; $6 = $7; $7 = $8; $8 = $9; $9 = ""; print }'
}
right=$(awk -v s="$scale" 'BEGIN { print 450 / s * 15 }') left=$(awk -v s="$scale" 'BEGIN { print 150 / s * 15 }')
# The first move serves, towards a pointer past where the paddle can go; the pointer then
# leaves the window, and that alone lets the key go.
xdotool mousemove --window "$win" 567 400
await_line '^down 39$' "$work/mouse.zrec" || fail "the pointer did not steer"
xdotool mousemove 1270 1000
await_line '^up 39$' "$work/mouse.zrec" || fail "the key was held on after the pointer left"
# The pointer left of the paddle, then right of it: each time the paddle goes there and the
# key is let go (a new ball on the paddle is steered, and so served, at once).
for step in '150 37' '450 39'; do
  read -r px key <<<"$step"
  before=$(grep -c "^up $key\$" "$work/mouse.zrec")
  xdotool mousemove --window "$win" "$px" 400
  await_line "^up $key\$" "$work/mouse.zrec" $((before + 1)) || fail "the paddle did not come to the pointer at $px"
done
"$probe" close "$win" || fail "cannot send WM_DELETE_WINDOW"
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "exit status $status with --mouse --sound"
# The first key was let go at once when the pointer left; every key let go after that, in
# play, came within one step of the pointer.
paddle_lines | awk -v r="$right" -v l="$left" '
  $7 != "up" { next }
  !left_at { left_at = $1; if ($8 != 39) { print "the first key let go was not Right"; bad = 1 }; next }
  $6 == 0 { next }  # the game stopped (over, cleared): that lets go wherever the paddle is
  { want = $8 == 39 ? r : l; d = $2 - want; n[$8]++ }
  d > $4 + 16 || -d > $4 + 16 { print "let go at", $2, "with the pointer at", want; bad = 1 }
  END {
    if (!n[39] || !n[37]) { print "the pointer did not steer both ways"; bad = 1 }
    exit bad
  }' >"$work/steer.out" || fail "$(cat "$work/steer.out")"
grep -Eq '^zorvane: sound: [1-9][0-9]* effects started' "$work/game.err" || fail "no effects were played"
[ "$(grep -vc '^zorvane: sound: ' "$work/game.err")" = 0 ] || fail "the game complained"
"$replay" "$work/mouse.zrec" >"$work/replay.trace" || fail "zorvane-replay of the mouse game failed"
cmp "$work/replay.trace" "$work/mouse.trace" || fail "the mouse game's replay differs from its live trace"
echo "mouse: the paddle followed the pointer; $(sed -n 's/^zorvane: sound: //p' "$work/game.err"); replayed identically"

# Endings from outside: a signal (a terminal closed, Ctrl+\, kill), the connection to the
# display cut, the window destroyed by another client. Each row: how, the exit status.
while IFS='|' read -r how want; do
  SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" --record "$work/end.zrec" 2>"$work/game.err" &
  game_pid=$!
  win=$(timeout "$patience" xdotool search --sync --pid "$game_pid" --name '^Super Zorvane!$' | head -1)
  [ -n "$win" ] || fail "no window to end with $how"
  xdotool key --window "$win" Right
  await_line '^wait ' "$work/end.zrec"  # a second of play written
  eval "$how"
  await_exit "after $how"
  [ "$status" = "$want" ] || fail "ended with $how: exit status $status, not $want"
  [ "$(grep -c '^expect ' "$work/end.zrec")" = 1 ] && tail -1 "$work/end.zrec" | grep -q '^expect t=' ||
    fail "ended with $how: the recording does not end with its one expect line: $(tail -2 "$work/end.zrec")"
  "$replay" --quiet "$work/end.zrec" 2>"$work/replay.err" || fail "ended with $how: $(cat "$work/replay.err")"
done <<'END'
kill -HUP "$game_pid"|0
kill -QUIT "$game_pid"|0
kill -TERM "$game_pid"|0
xdotool windowkill "$win"|1
"$probe" destroy "$win"|1
END
echo "PASS"
