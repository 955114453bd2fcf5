#!/usr/bin/env bash
# The folders lean one way: each row names a folder and the folders its code may not
# include from (nothing below may reach up, and the two window programs never reach into
# each other). Prints every include that breaks a row.
set -u
cd "$(dirname "$0")/../.."
rows=(
  "platform game levels play logo sound|SDL paint/ image/ script/ trace/ drive/ editor/ session/ host/ app/ win/ sdl/ web/"
  "paint image script trace drive editor|SDL session/ host/ app/ win/ sdl/ web/"
  "session|SDL host/ app/ win/ sdl/ web/"
  "host|SDL app/ win/ sdl/ web/"
  "sdl|host/ app/ win/ web/"
  "app|win/ web/"
  "win|SDL app/ sdl/ web/"
)
bad=0
for row in "${rows[@]}"; do
  folders=${row%%|*}
  for forbidden in ${row#*|}; do
    for folder in $folders; do
      [ -d "$folder" ] || continue
      if hits=$(grep -rnE "^#include [<\"]${forbidden}" "$folder" --include='*.h' --include='*.cpp'); then
        echo "$folder may not include $forbidden:"
        echo "$hits"
        bad=1
      fi
    done
  done
done
exit $bad
