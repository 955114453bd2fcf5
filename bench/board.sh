#!/usr/bin/env bash
# The board under load: builds the release preset's board and load tool, starts a board on a
# fresh database in a temporary folder, posts GAMES real 10-minute games from four clients
# while one reads the top-100 list and SLOW clients send a byte a second, then stops it.
#   bench/board.sh [GAMES [SLOW]]        (default 200 games, 1000 slow clients)
set -euo pipefail
cd "$(dirname "$0")/.."
games=${1:-200}
slow=${2:-1000}
cmake --preset release >/dev/null
cmake --build build/release --target zorvane-board zorvane-board-load -j "${JOBS:-2}" >/dev/null
ulimit -n "$(ulimit -Hn)"
folder=$(mktemp -d)
trap 'kill "$board" 2>/dev/null; wait "$board" 2>/dev/null; rm -rf "$folder"' EXIT
coproc BOARD { exec ./build/release/board/zorvane-board --listen 127.0.0.1:0 --db "sqlite:$folder/board.sqlite" --rate 0 --queue 64; }
board=$BOARD_PID
read -r line <&"${BOARD[0]}"
port=${line##*:}
port=${port%/}
echo "date: $(date -R); nproc: $(nproc); $(grep -m1 "model name" /proc/cpuinfo); load average $(cut -d" " -f1-3 /proc/loadavg)"
./build/release/bench/zorvane-board-load "$port" "$games" "$slow"
