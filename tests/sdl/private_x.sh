# Sourced by scripts that run the real game on an X server of their own: a scratch folder
# ($work), a cleanup that stops the game ($game_pid) and the server, start_private_x,
# which starts Xvfb on a display number it picks itself and exports DISPLAY, await_exit
# and fail.
work=$(mktemp -d)
xvfb_pid= game_pid= win= fail_label= failure_picture=
# How long a wait for the window or the game may take before the test gives up: only ever
# reached on a failure, and long, for a loaded machine may take minutes; and as polls, one
# every 0.05 s.
patience=300 polls=6000

# Ends the test: the reason ($fail_label names the case), what the game wrote to
# $work/game.err, and, when $failure_picture names a file and the window $win is up, a
# picture of the window as it stood (taken with $probe).
fail() {
  echo "FAIL${fail_label:+ ($fail_label)}: $*"
  [ -s "$work/game.err" ] && sed 's/^/  game: /' "$work/game.err"
  if [ -n "$failure_picture" ] && [ -n "$win" ] && "$probe" save "$win" "$failure_picture"; then
    echo "  the window as it stood: $failure_picture"
  fi
  exit 1
}

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Returns non-zero when the server did not come up; its complaints are in $work/xvfb.err.
# Arguments go to Xvfb (e.g. -dpi 192).
start_private_x() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "$@" 3>"$work/display" 2>"$work/xvfb.err" &
  xvfb_pid=$!
  for _ in $(seq "$polls"); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || return 1
  export DISPLAY=:$(head -1 "$work/display")
}

# Waits for the game ($game_pid) to end after what was done to it (said in $1 when it does
# not) and sets $status to its exit status.
await_exit() {
  for _ in $(seq "$polls"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$game_pid" 2>/dev/null && fail "the game did not exit $1"
  wait "$game_pid"
  status=$?
  game_pid=
}
