#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, one row of the table per check:
#   trace DIR        every replay script under DIR: trace, messages and exit status identical
#   bad TEXT         a bad or unmet script, written from TEXT: the same
#   soak SEED [ARG]  a generated soak game (ARG: --layouts N, on N random layouts of a
#                    player's own): the same trace
#   shot SCRIPT ARG  --screenshot with ARG (--scale N or --size WxH): the same PNG bytes
#   refuse STATUS WORD PROGRAM ARGS  the program (in ARGS @ is the scratch folder, % the
#                    source folder) refuses what it must not do: that exit status, WORD in
#                    its message, and the files "mine" there left whole
#   replace WHAT     --screenshot over a file, through the write-and-rename routine the
#                    editor's save shares: WHAT is link (a link to the file: the file it
#                    names is replaced, the link kept), long (a 255-byte name) or leftover
#                    (a killed save's temporary file beside it); no temporary file is left
#   window           zorvane.exe --layouts --record on a private X server (files named
#                    beyond ASCII), played with xdotool: the recording replays on Linux
#                    to its live trace, --watch of it passes through the same states (and
#                    with --record, played on after it, replays to that window's trace),
#                    and the window's client area, paused, is the Linux tool's picture of
#                    a moment of the pause
#   mouse            zorvane.exe --mouse: the pointer at the window's left edge holds Left
#                    (down 37), at its right edge Right (down 39)
#   ending           zorvane.exe --record, a key, then Wine's session ends (wineboot
#                    --end-session, which ends the process): the recording still ends on
#                    its expect line, which the Linux tool meets
#   interrupt c      zorvane.exe --record started from a console (zorvane-console-ctrl.exe),
#                    once it plays, Ctrl+C typed into that console: the game ends with status 0
#                    and its recording on its expect line, which the Linux tool meets (Wine
#                    8 delivers no typed Ctrl+Break, which the game takes as Ctrl+C)
#   edit             zorvane.exe --edit on a new file named beyond ASCII: keys paint, Ctrl+S
#                    saves a layout file the Linux tool plays; a change after it, left with
#                    Esc twice, leaves the file as saved and the status 0
#   dpi DPI WxH      with the desktop at DPI dots per inch, the window opens with a client
#                    area of WxH pixels (the Linux window's opening scale)
#   resources EXE    the program's icon, read back by wrestool (icoutils), is the one the
#                    icon code draws (MAKE_ICON), and its version resource names the Linux
#                    tool's version and the maker; the installer shows the same pictures
#   install          zorvane.exe under 2 MB and the installer under 3 MB; installed silently
#                    (/S), the programs, fonts and Start-menu entries are there, the
#                    installed game opens its window and closes with status 0; the
#                    uninstaller, silently, leaves nothing of them; the apps entry gives the
#                    icon, the version, the maker and about the installed size
#   wine.sh LINUX_REPLAY SOAK_EXE XPROBE WINDOWS_BUILD SOURCE_DIR MAKE_ICON
# One Wine prefix for the whole run, ended with wineserver -k. Exit status 77 (skipped)
# when the Windows build or Wine is missing; the window rows need Xvfb, xdotool and XPROBE.
set -u
native=$1 soak=$2 probe=$3 win=$4 src=$5 make_icon=$6
if [ ! -f "$win/zorvane-replay.exe" ] || ! command -v wine >/dev/null; then
  echo "no Windows build at $win or no wine (cmake --preset windows && cmake --build --preset windows)"
  exit 77
fi
work=$(mktemp -d)
# How long a wait for a window or the game may take before the test gives up: only ever
# reached on a failure, and long, for a loaded machine may take minutes; and as polls, one
# every 0.05 s.
patience=300 polls=6000
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid= game_pid=
trap '[ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null; wineserver -k 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid"; rm -rf "$work"' EXIT
replay=("wine" "$win/zorvane-replay.exe")
failures=0
fail() {
  echo "DIFFERENT: $*"
  failures=$((failures + 1))
}

# One script through both tools: trace, messages and exit status.
same() {
  local script=$1 name=$2
  "$native" "$script" >"$work/n.out" 2>"$work/n.err"; local n=$?
  "${replay[@]}" "$script" >"$work/w.out" 2>"$work/w.err"; local w=$?
  if [ $n -ne $w ] || ! cmp -s "$work/n.out" "$work/w.out" || ! cmp -s "$work/n.err" "$work/w.err"; then
    fail "$name (exit $n on Linux, $w under Wine)"
    cmp "$work/n.out" "$work/w.out" | head -1
    diff "$work/n.err" "$work/w.err" | head -4
  else
    echo "same: $name ($(wc -l <"$work/n.out") lines, exit $n)"
  fi
}

# A private X server for the window rows; false when there can be none.
private_x() {
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null && [ -x "$probe" ] || return 1
  Xvfb -displayfd 3 -screen 0 2560x2048x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
  xvfb_pid=$!
  for _ in $(seq "$polls"); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start: $(head -c 300 "$work/xvfb.err")"; return 1; }
  export DISPLAY=:$(head -1 "$work/display")
}
# Waits (up to $patience s, only ever reached on a failure) until the live trace (or FILE) holds
# COUNT lines matching PATTERN and its last line matches LAST: the trace reaches its file at
# least once a second.
#   await_trace PATTERN COUNT LAST [FILE]
await_trace() {
  local file=${4:-$work/live.trace}
  for _ in $(seq "$polls"); do
    local n
    n=$(grep -c -- "$1" "$file" 2>/dev/null)
    [ "${n:-0}" -ge "$2" ] && tail -1 "$file" | grep -q -- "$3" &&
      return 0
    sleep 0.05
  done
  return 1
}
# Waits until no window of the game is left: Wine may take a while to take down the window
# of a game that has ended, and a row must not find the game before's window as its own.
windows_gone() {
  for _ in $(seq "$polls"); do
    xdotool search --onlyvisible --name 'Super Zorvane!|making layouts' >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  fail "the window of the game before did not go"
}
# A short game in the Wine window on layouts of the player's own: served, steered, paused,
# resumed with a click on the Pause button, paused again; then compared as the table says.
window_game() {
  [ -n "$xvfb_pid" ] || { echo "skipped: the window (no Xvfb, xdotool or $probe)"; return 0; }
  # On layouts of the player's own, from a file whose name is not ASCII.
  "$soak" --seed 13 --layouts 3 --events 10 --record "$work/layouts.zrec" >/dev/null
  grep '^layout ' "$work/layouts.zrec" >"$work/mes niveaux été.txt"
  windows_gone
  wine "$win/zorvane.exe" --layouts "$work/mes niveaux été.txt" --record "$work/partie à rejouer.zrec" \
    --trace "$work/live.trace" 2>"$work/game.err" &
  game_pid=$!
  local w size
  w=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane! .* your own layouts from mes niveaux ' | head -1)
  [ -n "$w" ] || { fail "no window from zorvane.exe: $(head -c 300 "$work/game.err")"; return; }
  size=$(xdotool getwindowgeometry "$w" | sed -n 's/ *Geometry: //p')
  xdotool key --window "$w" Right
  await_trace '"ev":"up 39"' 1 '' || fail "the game did not see Right"
  xdotool keydown --window "$w" Left
  await_trace '"paddleDirection":2,' 1 '' || fail "Left did not steer the paddle"
  xdotool keyup --window "$w" Left
  xdotool key --window "$w" p
  await_trace '"ev":"down 80"' 1 '"pause":true' || fail "the game did not pause"
  xdotool mousemove --window "$w" 304 240 click 1
  await_trace '"ev":"click pause"' 1 '"pause":false' || fail "a click on Pause did not play on"
  xdotool key --window "$w" p
  await_trace '"ev":"down 80"' 2 '"pause":true' || fail "the game did not pause again"
  "$probe" save "$w" "$work/window.png" || fail "cannot read the window"
  "$probe" close "$w" || fail "cannot close the window"
  for _ in $(seq "$polls"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
  wait "$game_pid"
  local status=$?
  game_pid=
  [ $status -eq 0 ] || fail "zorvane.exe ended with status $status: $(head -c 300 "$work/game.err")"
  mv "$work/partie à rejouer.zrec" "$work/game.zrec" || fail "no recording under its own name"
  grep -q '^layout ' "$work/game.zrec" || fail "the recording holds no layouts"
  "$native" "$work/game.zrec" >"$work/replay.trace" && cmp -s "$work/replay.trace" "$work/live.trace" &&
    echo "same: the Wine window's recording replayed on Linux ($(wc -l <"$work/live.trace") lines)" ||
    fail "the Wine window's recording does not replay to its live trace"
  # Watched at 8 times its pace with --record, the recording passes through the states of
  # its replay; once it ends the player plays on (a click on Pause), and the new recording
  # replays on Linux to the window's whole trace.
  windows_gone
  wine "$win/zorvane.exe" --watch "$work/game.zrec" --speed 8 --record "$work/after.zrec" \
    --trace "$work/watch.trace" 2>"$work/game.err" &
  game_pid=$!
  w=$(timeout "$patience" xdotool search --sync --name 'your own layouts from game.zrec$' | head -1)
  [ -n "$w" ] && xdotool mousemove --window "$w" 304 240 click 1
  await_trace '"ev":"click pause"' 2 '"pause":false' "$work/watch.trace" ||
    fail "the player could not play on after the recording"
  [ -n "$w" ] && "$probe" close "$w"
  wait "$game_pid" || fail "zorvane.exe --watch ended with status $?: $(head -c 300 "$work/game.err")"
  game_pid=
  cmp -s -n "$(stat -c %s "$work/replay.trace")" "$work/replay.trace" "$work/watch.trace" &&
    echo "same: the recording watched in the Wine window at 8 times its pace" ||
    fail "the recording watched in the Wine window passed through other states"
  "$native" "$work/after.zrec" >"$work/after.trace" && cmp -s "$work/after.trace" "$work/watch.trace" &&
    echo "same: the recording made while watching, and played on, replayed on Linux" ||
    fail "the recording made while watching does not replay to the window's trace"
  # The paused picture changes only with the logo's 50 ms timer: a frame every 50 ms meets
  # every picture of the pause.
  mkdir "$work/frames"
  "$native" --frames "$work/frames" --every 50 --size "$size" "$work/game.zrec" >/dev/null
  local frame
  for frame in "$work"/frames/*.png; do cmp -s "$frame" "$work/window.png" && break; frame=; done
  [ -n "$frame" ] && echo "same: the Wine window ($size) and the Linux tool's $(basename "$frame")" ||
    fail "the Wine window's picture is none of the Linux tool's frames"
}

# Wine's desktop takes the display it first starts with: the X server comes first.
private_x || echo "no private X server: the window rows are skipped"
wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }

mouse_row() {
  [ -n "$xvfb_pid" ] || { echo "skipped: mouse (no X server)"; return 0; }
  rm -f "$work/live.trace"
  windows_gone
  wine "$win/zorvane.exe" --mouse --trace "$work/live.trace" 2>"$work/game.err" &
  game_pid=$!
  local w
  w=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
  # A move may come before the new window takes the pointer's events: each is made again,
  # a pixel apart, until the trace shows the key it presses.
  steer_to() {  # X KEY
    local i n
    for i in $(seq "$polls"); do
      n=$(grep -c -- "\"ev\":\"down $2\"" "$work/live.trace" 2>/dev/null)
      [ "${n:-0}" -ge 1 ] && return 0
      xdotool mousemove --window "$w" $(($1 + i % 2)) 400
      sleep 0.1
    done
    return 1
  }
  steer_to 20 37 || fail "the pointer at the left did not steer left"
  steer_to 550 39 || fail "the pointer at the right did not steer right"
  [ -n "$w" ] && "$probe" close "$w"
  for _ in $(seq "$polls"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$game_pid" 2>/dev/null && { fail "zorvane.exe --mouse did not close"; kill "$game_pid"; }
  wait "$game_pid" && echo "the paddle followed the pointer (--mouse)" || fail "zorvane.exe --mouse ended with status $?"
  game_pid=
}

ending_row() {
  [ -n "$xvfb_pid" ] || { echo "skipped: ending (no X server)"; return 0; }
  rm -f "$work/live.trace"
  windows_gone
  wine "$win/zorvane.exe" --record "$work/ended.zrec" --trace "$work/live.trace" 2>"$work/game.err" &
  game_pid=$!
  local w
  w=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
  [ -n "$w" ] && xdotool key --window "$w" Right
  await_trace '"ev":"up 39"' 1 . || fail "the game did not take the key"
  wineboot --end-session >/dev/null 2>&1
  wait "$game_pid"
  game_pid=
  tail -1 "$work/ended.zrec" | grep -q '^expect t=' && "$native" --quiet "$work/ended.zrec" 2>"$work/replay.err" &&
    echo "the session ended: the recording ends on an expect line the replay meets" ||
    fail "the session ended: the recording ends '$(tail -1 "$work/ended.zrec" | cut -c1-80)' $(head -c 200 "$work/replay.err")"
}

interrupt_row() {
  [ -n "$xvfb_pid" ] || { echo "skipped: interrupt (no X server)"; return 0; }
  rm -f "$work/live.trace" "$work/go" "$work/interrupted.zrec"
  windows_gone
  wine "$win/zorvane-console-ctrl.exe" "$1" "$work/go" "$win/zorvane.exe" --record "$work/interrupted.zrec" \
    --trace "$work/live.trace" 2>"$work/game.err" &
  game_pid=$!
  local status
  timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' >/dev/null
  await_trace '"ev":"load"' 1 . || fail "the game's loop did not start"
  touch "$work/go"
  wait "$game_pid"
  status=$?
  game_pid=
  [ $status -eq 0 ] && tail -1 "$work/interrupted.zrec" | grep -q '^expect t=' &&
    "$native" --quiet "$work/interrupted.zrec" 2>"$work/replay.err" &&
    echo "Ctrl+$1 in the console: the recording ends on an expect line the replay meets" ||
    fail "Ctrl+$1: status $status, the recording ends '$(tail -1 "$work/interrupted.zrec" | cut -c1-80)' $(head -c 200 "$work/game.err" "$work/replay.err")"
}

edit_row() {
  [ -n "$xvfb_pid" ] || { echo "skipped: edit (no X server)"; return 0; }
  local file="$work/mes dispositions.layouts" w status
  windows_gone
  wine "$win/zorvane.exe" --edit "$file" 2>"$work/game.err" &
  game_pid=$!
  w=$(timeout "$patience" xdotool search --sync --name 'making layouts: mes dispositions.layouts' | head -1)
  [ -n "$w" ] && xdotool key --window "$w" 0 7 Right space ctrl+s
  for _ in $(seq "$polls"); do xdotool getwindowname "$w" 2>/dev/null | grep -q 'Saved to' && break; sleep 0.05; done
  [ -n "$w" ] && xdotool key --window "$w" Left space Escape Escape
  for _ in $(seq "$polls"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$game_pid" 2>/dev/null && { fail "the editor did not leave at the second Esc"; "$probe" close "$w"; }
  wait "$game_pid"
  status=$?
  game_pid=
  [ $status -eq 0 ] && [ "$(grep -c '^layout 0007000' "$file")" = 1 ] && "$native" --quiet "$file" 2>"$work/replay.err" &&
    echo "the editor saved a layout file the Linux tool plays, and left the unsaved change out" ||
    fail "the editor: status $status, the file: $(head -c 200 "$file" 2>&1) $(head -c 200 "$work/replay.err")"
}

dpi_row() {
  [ -n "$xvfb_pid" ] || { echo "skipped: dpi (no X server)"; return 0; }
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  windows_gone
  wine "$win/zorvane.exe" 2>"$work/game.err" &
  game_pid=$!
  local w size
  w=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
  size=$([ -n "$w" ] && xdotool getwindowgeometry "$w" | sed -n 's/ *Geometry: //p')
  [ -n "$w" ] && "$probe" close "$w"
  wait "$game_pid"
  game_pid=
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  [ "$size" = "$2" ] && echo "same: at $1 dpi the window opens at $size" || fail "at $1 dpi the window opened at '$size', not $2"
}

# Runs the installed game until its window shows, then closes it.
installed_game_starts() {
  windows_gone
  wine "$1" 2>"$work/game.err" &
  game_pid=$!
  local w
  w=$(timeout "$patience" xdotool search --sync --name '^Super Zorvane!$' | head -1)
  [ -n "$w" ] && "$probe" close "$w"
  for _ in $(seq "$polls"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
  wait "$game_pid"
  local status=$?
  game_pid=
  [ -n "$w" ] && [ $status -eq 0 ]
}
install_row() {
  local setup programs menu
  setup=$(ls "$win"/zorvane-*-windows-x64-setup.exe 2>/dev/null | head -1)
  [ -n "$setup" ] || { fail "no installer in $win"; return; }
  # zorvane.exe under 2 MB, the installer under 3 MB with the fonts.
  [ "$(stat -c %s "$win/zorvane.exe")" -lt 2000000 ] && [ "$(stat -c %s "$setup")" -lt 3000000 ] &&
    echo "sizes: zorvane.exe $(stat -c %s "$win/zorvane.exe") bytes, the installer $(stat -c %s "$setup") bytes" ||
    fail "too large: zorvane.exe $(stat -c %s "$win/zorvane.exe") bytes, the installer $(stat -c %s "$setup") bytes"
  wine "$setup" /S || { fail "the installer failed"; return; }
  programs=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/AppData/Local/Programs/Super Zorvane' | head -1)
  menu=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/Start Menu/Programs/Super Zorvane!' | head -1)
  local missing=
  for f in zorvane.exe zorvane-replay.exe uninstall.exe fonts/arial-700.ttf fonts/licence-liberation.txt; do
    [ -f "$programs/$f" ] || missing="$missing $f"
  done
  for f in "Super Zorvane!.lnk" "Play with sound.lnk"; do [ -f "$menu/$f" ] || missing="$missing $f"; done
  [ -z "$missing" ] || { fail "not installed:$missing"; return; }
  echo "installed: $(ls "$programs" | tr '\n' ' ')and the Start-menu entries"
  # The apps entry: the icon, the version, the maker and the size (in KiB, as Windows wants).
  local entry size kib
  entry=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\SuperZorvane' 2>/dev/null | tr -d '\r')
  value() { sed -n "s/^ *$1 *REG_[A-Z]* *//p" <<<"$entry"; }
  size=$(value EstimatedSize)
  kib=$(du -k -s --apparent-size "$programs" | cut -f1)
  [ "$(value DisplayVersion)" = "$version" ] && [ "$(value Publisher)" = "The Super Zorvane! developers" ] &&
    [[ $(value DisplayIcon) == *'\zorvane.exe,0' ]] && [ -n "$size" ] &&
    [ $((size - kib)) -le $((kib / 10)) ] && [ $((kib - size)) -le $((kib / 10)) ] &&
    echo "the apps entry: version $(value DisplayVersion), $(value Publisher), $((size)) KiB ($kib on disc)" ||
    fail "the apps entry: $(tr '\n' ' ' <<<"$entry" | tr -s ' ' | cut -c1-400)"
  if [ -n "$xvfb_pid" ]; then
    installed_game_starts "$programs/zorvane.exe" && echo "the installed game opened its window and closed" ||
      fail "the installed game did not start: $(head -c 300 "$work/game.err")"
  fi
  # The uninstaller runs a copy of itself and returns at once: wait for it to finish.
  wine "$programs/uninstall.exe" /S
  for _ in $(seq 200); do [ -e "$programs" ] || [ -e "$menu" ] || break; sleep 0.05; done
  [ ! -e "$programs" ] && [ ! -e "$menu" ] && echo "uninstalled: nothing left" ||
    fail "the uninstaller left: $(find "$programs" "$menu" 2>/dev/null | head -5 | tr '\n' ' ')"
}

# The Linux tool's version, which every Windows file names.
version=$("$native" --version | head -1 | sed 's/.* //')

resources_row() {
  local exe=$win/$1 setup
  command -v wrestool >/dev/null || { fail "no wrestool (apt-get install icoutils)"; return; }
  mkdir -p "$work/drawn"
  "$make_icon" "$work/drawn" || { fail "zorvane-make-icon"; return; }
  # wrestool pads the file it rebuilds with zeros.
  local size
  size=$(stat -c %s "$work/drawn/zorvane.ico")
  wrestool -x -t14 "$exe" -o "$work/read.ico" 2>/dev/null
  cmp -s -n "$size" "$work/read.ico" "$work/drawn/zorvane.ico" &&
    [ "$(tail -c +$((size + 1)) "$work/read.ico" | tr -d '\0' | wc -c)" = 0 ] &&
    echo "$1 carries the drawn icon ($(icotool -l "$work/read.ico" | grep -o 'width=[0-9]*' | tr '\n' ' '))" ||
    fail "$1's icon is not the drawn one"
  local info
  info=$(wrestool -x --raw -t16 "$exe" 2>/dev/null | tr -d '\0')
  for key in FileVersion ProductVersion "CompanyName" ProductName; do
    local want=$version
    [ "$key" = CompanyName ] && want="The Super Zorvane! developers"
    [ "$key" = ProductName ] && want="Super Zorvane!"
    grep -aq "$key$want" <<<"$info" || fail "$1's $key is not '$want': $(grep -ao "$key[ -~]*" <<<"$info" | head -c 80)"
  done
  echo "$1's version resource: $(grep -ao 'ProductVersion[0-9.]*' <<<"$info")"
  # The installer's icon: the same pictures (NSIS lists them in another order).
  setup=$(ls "$win"/zorvane-*-windows-x64-setup.exe 2>/dev/null | head -1)
  pictures() { for n in $(wrestool -l -t3 "$1" | sed 's/.*--name=\([0-9]*\).*/\1/'); do
    wrestool -x --raw -t3 -n "$n" "$1" | md5sum; done | sort; }
  [ "$(pictures "$setup")" = "$(pictures "$exe")" ] || fail "the installer does not show the game's icon"
}

replace_row() {
  local dir=$work/replace-$1 name=shot.png kept=0
  mkdir "$dir" && echo mine >"$dir/shot.png"
  case $1 in
    link) ln -s shot.png "$dir/link.png" && name=link.png ;;
    long) name=$(printf '%0251d' 0).png && mv "$dir/shot.png" "$dir/$name" ;;
    leftover) echo half >"$dir/.zorvane-save-aaaaaa" && kept=1 ;;
  esac
  "${replay[@]}" --screenshot "$dir/$name" "$src/tests/replay/scripts/serve.txt" >/dev/null 2>"$work/replace.err"
  local made=$dir/$name
  [ "$1" = link ] && made=$dir/shot.png
  if [ "$(head -c 4 "$made" | tail -c 3)" = PNG ] && { [ "$1" != link ] || [ -L "$dir/link.png" ]; } &&
    [ "$(ls -A "$dir" | grep -c zorvane-save)" = $kept ]; then
    echo "replaced: $1 ($(ls -A "$dir" | cut -c1-40 | tr '\n' ' '))"
  else
    fail "replace $1: $(head -1 "$work/replace.err") $(ls -lA "$dir" | tail -n +2 | cut -c1-120)"
  fi
}

echo mine >"$work/readonly.png" && chmod 0444 "$work/readonly.png"
mkdir "$work/full" && echo mine >"$work/full/frame-0000001.png"
rows=0
while read -r kind rest; do
  [ -z "$kind" ] && continue
  read -r a b <<<"$rest"
  rows=$((rows + 1))
  case $kind in
    trace)
      count=0
      while IFS= read -r -d '' script; do
        same "$script" "${script#"$src"/}"
        count=$((count + 1))
      done < <(find "$src/$a" -type f \( -name '*.txt' -o -name '*.replay' -o -name '*.zrec' \) ! -name CMakeLists.txt -print0 | sort -z)
      [ $count -ge 1 ] || fail "no scripts under $src/$a"
      ;;
    bad)
      printf "$rest\n" >"$work/bad$rows.txt"
      same "$work/bad$rows.txt" "bad script: $rest"
      ;;
    soak)
      "$soak" --seed $rest --events 30000 --record "$work/soak$a.replay" >/dev/null || fail "soak seed $rest"
      same "$work/soak$a.replay" "soak game, seed $rest"
      ;;
    shot)
      "$native" --screenshot "$work/n.png" $b "$src/$a" >/dev/null
      "${replay[@]}" --screenshot "$work/w.png" $b "$src/$a" >/dev/null
      if cmp -s "$work/n.png" "$work/w.png" && [ -s "$work/n.png" ]; then
        echo "same: screenshot of $a, $b ($(wc -c <"$work/n.png") bytes)"
      else
        fail "screenshot of $a, $b"
      fi
      ;;
    refuse)
      read -r status word program args <<<"$rest"
      args=${args//@/$work/}
      wine "$win/$program" ${args//%/$src/} >/dev/null 2>"$work/refused.err"
      got=$?
      [ $got -eq "$status" ] && grep -q -- "$word" "$work/refused.err" &&
        [ "$(cat "$work/readonly.png" "$work/full/frame-0000001.png")" = "$(printf 'mine\nmine')" ] &&
        echo "refused: $program $args (status $got: $(head -1 "$work/refused.err" | cut -c1-100))" ||
        fail "$program $args: status $got, not $status, not '$word', or a file of mine changed ($(head -1 "$work/refused.err"))"
      ;;
    replace) replace_row "$a" ;;
    window) window_game ;;
    install) install_row ;;
    resources) resources_row "$a" ;;
    dpi) dpi_row $a $b ;;
    mouse) mouse_row ;;
    ending) ending_row ;;
    edit) edit_row ;;
    interrupt) interrupt_row "$a" ;;
    *) fail "unknown row: $kind $a $b" ;;
  esac
done <<'TABLE'
trace tests/replay/scripts
trace docs
bad rand 1e-50 0.5x
bad seed 12 13
bad wait 5\nclick nowhere
bad down 40000
bad down 39\nwait 400\nexpect t=400 currentScore=0\nwait 90\nexpect t=490 ballVelocityY=7 lastCell=-1\nup 39
soak 3
soak 4
soak 9
soak 12 --layouts 100
shot docs/screenshot.replay --scale=1
shot docs/screenshot.replay --scale=2
shot tests/replay/scripts/gameover.txt --size=900x600
refuse 2 same zorvane.exe --record @same.zrec --trace @SAME.ZREC
refuse 1 regular zorvane.exe --edit @full
refuse 1 readonly.png zorvane-replay.exe --screenshot @readonly.png %tests/replay/scripts/serve.txt
refuse 1 frame-0000001.png zorvane-replay.exe --frames @full --every 1000 %tests/replay/scripts/serve.txt
replace link
replace long
replace leftover
window
mouse
ending
interrupt c
edit
dpi 192 1136x978
resources zorvane.exe
resources zorvane-replay.exe
install
TABLE

[ $failures -eq 0 ] && echo "all $rows rows the same under Wine" || echo "$failures differ"
[ $failures -eq 0 ]
