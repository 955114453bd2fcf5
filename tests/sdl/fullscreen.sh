#!/bin/bash
# `zorvane --fullscreen` on a private X server: the window covers the whole screen, and the
# picture, scaled uniformly to the screen's height, stands in its middle with the window's
# background colour on either side. With no session bus, the game starts no D-Bus daemon.
#   fullscreen.sh ZORVANE XPROBE
set -u
game=$1 probe=$2
. "$(dirname "$0")/private_x.sh"
failure_picture="${TMPDIR:-/tmp}/zorvane-fullscreen-failure.png"

start_private_x || fail "Xvfb did not start: $(cat "$work/xvfb.err")"
# A session with no bus: libdbus would autolaunch one through the first dbus-launch it finds.
mkdir -m 700 "$work/bin" "$work/runtime"
printf '#!/bin/sh\ntouch "%s/dbus-launched"\nexit 1\n' "$work" >"$work/bin/dbus-launch"
chmod +x "$work/bin/dbus-launch"
env -u DBUS_SESSION_BUS_ADDRESS PATH="$work/bin:$PATH" XDG_RUNTIME_DIR="$work/runtime" \
  SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 "$game" --fullscreen 2>"$work/game.err" &
game_pid=$!
win=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Super Zorvane!'"
[ -e "$work/dbus-launched" ] && fail "the game ran dbus-launch"

# The window takes the screen (1280 × 1024) once SDL has made it fullscreen.
for _ in $(seq "$polls"); do
  geometry=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ {print $2}')
  [ "$geometry" = 1280x1024 ] && break
  sleep 0.05
done
[ "$geometry" = 1280x1024 ] || fail "the window is $geometry, not the screen's 1280x1024"

# The grey faces of the labels and the frame of the playfield outline the picture: 568 × 489 at
# scale 1, so 1189 × 1024 here, with 45 pixels of background on either side.
for _ in $(seq "$polls"); do
  read -r count left top right bottom _ _ <<<"$("$probe" count "$win" f0f0f0)"
  [ "$count" -gt 0 ] && [ "$bottom" -ge 1018 ] && break
  sleep 0.05
done
[ "$count" -gt 0 ] || fail "nothing drawn"
[ "$top" -le 3 ] && [ "$bottom" -ge 1018 ] || fail "the picture spans rows $top..$bottom, not the whole height"
width=$((right - left + 1))
[ "$width" -ge 1185 ] && [ "$width" -le 1192 ] || fail "the picture is $width pixels wide, not about 1189"
margin_left=$left margin_right=$((1279 - right))
[ $((margin_left - margin_right)) -le 2 ] && [ $((margin_right - margin_left)) -le 2 ] ||
  fail "the picture is not centred: $margin_left pixels on the left, $margin_right on the right"
# Only background on either side.
for strip in "0 0 0.03 1" "0.97 0 1 1"; do
  green=$("$probe" count "$win" 00ff00 $strip | awk '{print $1}')
  [ "$green" -ge $((38 * 1024)) ] || fail "the strip $strip is not background ($green green pixels)"
done

"$probe" close "$win" || fail "cannot send WM_DELETE_WINDOW"
await_exit "when its window was closed"
[ "$status" -eq 0 ] || fail "exit status $status after closing the window"
echo "PASS"
