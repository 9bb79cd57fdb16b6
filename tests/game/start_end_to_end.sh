#!/usr/bin/env bash
# Starts the game as a player would (from its data folder, a fresh save folder,
# no sound device), waits until the logo and then the screen after it are
# drawn, checks that the movie, network and database libraries were not
# loaded for them (they open at their first use) and that the full screen of
# a first start covers the screen from its corner, quits with Alt+F4 and
# checks the exit: status 0, no "ERROR" line.
# usage: start_end_to_end.sh GAME DATA_DIR   (under an X display)
set -u
game=$1
data=$2
source "$(dirname "$0")/game_driver.sh"

start_game
wait_for "^startup: sequence 0 drawn" 2400 || fail "the logo was never drawn"
wait_for "^startup: sequence 1 drawn" 2400 || fail "the screen after the logo was never drawn"
loaded=$(grep -o -E "lib(avformat|avcodec|avutil|swscale|swresample|curl|sqlite3)[^/ ]*\.so[.0-9]*" "/proc/$pid/maps" | sort -u)
[[ -z "$loaded" ]] || fail "loaded before any movie, connection or database: $loaded"

find_window
# A first start is full screen; with no window manager (as here) the window
# must cover the screen from its top left corner, not hang off it.
eval "$(xdotool getwindowgeometry --shell "$win")"
for ((i = 0; i < 100 && (X != 0 || Y != 0 || WIDTH != 1280 || HEIGHT != 1024); ++i)); do
  sleep 0.1
  eval "$(xdotool getwindowgeometry --shell "$win")"
done
[[ $X -eq 0 && $Y -eq 0 && $WIDTH -eq 1280 && $HEIGHT -eq 1024 ]] ||
  fail "full screen shows the window at $X,$Y, ${WIDTH}x$HEIGHT, not over the 1280x1024 screen from 0,0"
quit_and_check
echo "started, showed the logo and the next screen, quit cleanly"
grep "^startup:" "$tmp/out"
