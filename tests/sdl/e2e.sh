#!/bin/bash
# The real game in a window on a private X server: the ball leaves the paddle on Right,
# P shows the pause button, which looks pushed in while the mouse button is held on it and
# is clicked only by a release over it, and closing the window exits with status 0.
#   e2e.sh ZORVANE XPROBE
set -u
game=$1 probe=$2
. "$(dirname "$0")/private_x.sh"
failure_picture="${TMPDIR:-/tmp}/zorvane-e2e-failure.png"

start_private_x || fail "Xvfb did not start: $(cat "$work/xvfb.err")"

SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" 2>"$work/game.err" &
game_pid=$!
win=$(timeout 10 xdotool search --sync --name '^Super Zorvane!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Super Zorvane!'"

# Pixels of one colour in a part of the window (fractions of its size).
look() { "$probe" count "$win" "$@"; }
# Waits up to 3 s for a condition on the probe's output ($1: colour and area, $2: awk test).
until_seen() {
  local out
  for _ in $(seq 60); do
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
sleep 0.25
xdotool keyup --window "$win" Right
moved=$(until_seen "$lower" "\$1 == 0 || \$5 < $rest_bottom - 3") || fail "the ball did not leave the paddle: $moved (resting: $rest)"

# P shows the cyan pause button over the middle of the playfield.
middle="00ffff 0.35 0.35 0.72 0.62"
before=$(look $middle | awk '{print $1}')
xdotool key --window "$win" p
shown=$(until_seen "$middle" "\$1 > $before + 5000") || fail "no pause button after P: $shown"
read -r _ left top right bottom _ _ <<<"$shown"

# Held down, the button looks pushed in (a shaded face); released elsewhere, nothing happens.
pushed="00dfdf 0.35 0.35 0.72 0.62"
xdotool mousemove --window "$win" $(((left + right) / 2)) $(((top + bottom) / 2)) mousedown 1
down=$(until_seen "$pushed" '$1 > 5000') || fail "the pause button does not look pushed in: $down"
xdotool mousemove --window "$win" 5 5 mouseup 1
sleep 0.2
back=$(look $middle)
echo "$back" | awk "{ exit !(\$1 > $before + 5000) }" || fail "a release outside the button clicked it: $back"

# A click on it resumes play and hides it.
xdotool mousemove --window "$win" $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
gone=$(until_seen "$middle" "\$1 <= $before + 100") || fail "the pause button stayed after a click: $gone"

"$probe" close "$win" || fail "cannot send WM_DELETE_WINDOW"
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$game_pid" 2>/dev/null && fail "the game did not exit when its window was closed"
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "exit status $status after closing the window"
echo "PASS"
