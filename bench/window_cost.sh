#!/bin/bash
# What the game's window costs with a ball in play: CPU share of one core and resident
# memory of the game process, and the time from launch to the first picture on screen.
# Runs the real game on a private Xvfb (1280 × 1024), keeps a ball in play
# (serves again when the ball rests on the paddle, restarts after a game over) and samples
# /proc for SECONDS (default 20). WIDTHxHEIGHT resizes the window first (e.g. 1136x978,
# twice the picture's size). ZORVANE_ARGS adds options to the game's command line; a
# recording or trace named "@" goes to the scratch folder, e.g.
#   ZORVANE_ARGS='--record @' bench/window_cost.sh build/release    (the recorder's cost)
# ZORVANE_COMPARE sets options to weigh side by side in one run: PAIRS (default 3) pairs of
# runs, without and with them in turn, and the game's CPU of each, e.g.
#   ZORVANE_COMPARE=--sound bench/window_cost.sh build/release    (the sound's cost)
# With no SDL_AUDIODRIVER set, sound goes to SDL's dummy driver, which mixes as a real
# device does but plays nothing.
# ZORVANE_PROGRAM=floor measures the floor program instead (bench/window_floor.cpp): the
# game's timer rate and one 16 × 16 patch sent each time, the least a window can cost.
# ZORVANE_PROGRAM=wine measures the Windows window, build/windows/zorvane.exe, under Wine
# (a prefix of its own; "wineserver CPU" is Wine's server besides the game's process), e.g.
#   for p in "" wine; do ZORVANE_PROGRAM=$p bench/window_cost.sh build/release 30; done
#   bench/window_cost.sh BUILD_DIR [SECONDS] [WIDTHxHEIGHT]
set -u
if [ -n "${ZORVANE_COMPARE:-}" ]; then
  export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
  compare=$ZORVANE_COMPARE
  echo "| Pair | Game CPU without \`$compare\` | with \`$compare\` | latency with it |"
  echo "|---|---|---|---|"
  for pair in $(seq "${PAIRS:-3}"); do
    row="| $pair |"
    for args in "" "$compare"; do
      out=$(ZORVANE_COMPARE='' ZORVANE_ARGS="$args" ZORVANE_REPORT_SOUND=1 bash "$0" "$@") || exit 1
      row="$row $(echo "$out" | sed -n 's/^game CPU: *\([0-9.]*%\).*/\1/p') |"
      latency=$(echo "$out" | sed -n 's/^sound: .* within \([0-9.]*\) ms.*/\1 ms/p')
    done
    echo "$row ${latency:--} |"
  done
  exit 0
fi
build=${1:?usage: window_cost.sh BUILD_DIR [SECONDS]}
seconds=${2:-20}
size=${3:-}
extra=${ZORVANE_ARGS:-}
game=$build/zorvane probe=$build/tests/sdl/zorvane-xprobe name='^Super Zorvane!$'
if [ "${ZORVANE_PROGRAM:-}" = floor ]; then game=$build/bench/zorvane-window-floor name='^Super Zorvane! floor$'; fi
. "$(dirname "$0")/../tests/sdl/private_x.sh"
start_private_x || { echo "window_cost.sh: Xvfb did not start: $(cat "$work/xvfb.err")" >&2; exit 1; }
wine=
if [ "${ZORVANE_PROGRAM:-}" = wine ]; then
  export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k 2>/dev/null; cleanup' EXIT
  wineboot -i >/dev/null 2>&1
  wine=wine game="$(dirname "$0")/../build/windows/zorvane.exe"
fi

ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # utime + stime, clock ticks

launched=$(date +%s.%N)
ZORVANE_REPORT_FIRST_FRAME=1 SDL_FRAMEBUFFER_ACCELERATION=0 $wine "$game" ${extra//@/$work/out} 2>"$work/game.err" &
game_pid=$!
win=$(timeout 30 xdotool search --sync --name "$name" | head -1)
[ -n "$wine" ] && game_pid=$(xdotool getwindowpid "$win")  # the process Wine runs the program in
for _ in $(seq 100); do grep -q 'first frame' "$work/game.err" && break; sleep 0.02; done
first=$(awk '/first frame at/ {print $NF}' "$work/game.err")
startup_ms=$(echo "$launched $first" | awk '{printf "%.0f", ($2 - $1) * 1000}')
rss_start=$(awk '/VmRSS/ {print $2}' "/proc/$game_pid/status")

if [ -n "$size" ]; then
  xdotool windowmove --sync "$win" 0 0
  xdotool windowsize --sync "$win" "${size%x*}" "${size#*x}"
fi

serve() { xdotool keydown --window "$win" Right; sleep 0.1; xdotool keyup --window "$win" Right; }
sleep 0.5
serve
server=
for p in $(pgrep wineserver); do grep -qz "^WINEPREFIX=$work/prefix$" "/proc/$p/environ" 2>/dev/null && server=$p; done
c0=$(cpu "$game_pid") x0=$(cpu "$xvfb_pid") t0=$(date +%s.%N) s0=$([ -n "$wine" ] && cpu "$server")
rests=0 restarts=0 rss_max=0
end=$(($(date +%s) + seconds))
while [ "$(date +%s)" -lt "$end" ]; do
  sleep 0.5
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$game_pid/status")
  [ "$rss" -gt "$rss_max" ] && rss_max=$rss
  # A ball resting on the paddle shows blue pixels in the paddle's band: serve it again.
  low=$("$probe" count "$win" 0000ff 0 0.80 1 0.86 | awk '{print $1}')
  if [ "$low" -gt 0 ]; then serve; rests=$((rests + 1)); fi
  over=$("$probe" count "$win" ff00ff 0.3 0.3 0.7 0.7)
  if [ "$(echo "$over" | awk '{print $1}')" -gt 1000 ]; then
    read -r _ l t r b _ _ <<<"$over"
    xdotool mousemove --window "$win" $(((l + r) / 2)) $(((t + b) / 2)) click 1
    restarts=$((restarts + 1))
  fi
done
c1=$(cpu "$game_pid") x1=$(cpu "$xvfb_pid") t1=$(date +%s.%N) s1=$([ -n "$wine" ] && cpu "$server")

echo "date:          $(date -u +%Y-%m-%d)"
echo "machine:       $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "window:        $("$probe" count "$win" 000000 | awk '{print $6 " x " $7}') pixels"
echo "time to first frame: ${startup_ms} ms"
echo "game CPU:      $(echo "$c0 $c1 $t0 $t1 $ticks" | awk '{printf "%.2f", 100 * ($2 - $1) / $5 / ($4 - $3)}')% of one core over ${seconds} s"
echo "Xvfb CPU:      $(echo "$x0 $x1 $t0 $t1 $ticks" | awk '{printf "%.2f", 100 * ($2 - $1) / $5 / ($4 - $3)}')% of one core"
[ -n "$wine" ] && echo "wineserver CPU: $(echo "$s0 $s1 $t0 $t1 $ticks" | awk '{printf "%.2f", 100 * ($2 - $1) / $5 / ($4 - $3)}')% of one core"
echo "game RSS:      $((rss_start / 1024)) MiB at start, $((rss_max / 1024)) MiB at most"
echo "serves again:  $rests, restarts after game over: $restarts"
if [ -n "$extra" ]; then
  "$probe" close "$win" && wait "$game_pid"
  game_pid=
  sed -n 's/^zorvane: \(sound: .*\)/\1/p' "$work/game.err"
fi
