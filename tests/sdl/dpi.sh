#!/bin/bash
# The window opens at the scale of the screen's DPI: on a private X server of SCREEN_DPI
# dots per inch, with the user's Xft.dpi resource set to XFT_DPI ("-": not set), the game's
# window must open SCALE times the picture's 568 × 489 pixels.
# (-noreset: the resource must outlive xrdb, the only client until the game connects.)
#   dpi.sh ZORVANE SCREEN_DPI XFT_DPI SCALE
set -u
game=$1 screen_dpi=$2 xft_dpi=$3 scale=$4
. "$(dirname "$0")/private_x.sh"

start_private_x -dpi "$screen_dpi" -noreset || fail "Xvfb did not start: $(cat "$work/xvfb.err")"
if [ "$xft_dpi" != - ]; then
  echo "Xft.dpi: $xft_dpi" | xrdb -merge - || fail "xrdb cannot set Xft.dpi"
fi

SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" 2>"$work/game.err" &
game_pid=$!
win=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Super Zorvane!'"
eval "$(xdotool getwindowgeometry --shell "$win")"
want="$((568 * scale))x$((489 * scale))"
[ "${WIDTH}x${HEIGHT}" = "$want" ] || fail "screen at $screen_dpi dpi, Xft.dpi $xft_dpi: window ${WIDTH}x${HEIGHT}, not $want"
echo "PASS: screen at $screen_dpi dpi, Xft.dpi $xft_dpi: window $want"
