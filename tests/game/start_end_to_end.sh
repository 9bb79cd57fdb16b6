#!/usr/bin/env bash
# Starts the game as a player would (from its data folder, a fresh save folder,
# no sound device), waits until the logo and then the screen after it are
# drawn, checks that the movie, network and database libraries were not
# loaded for them (they open at their first use), quits with Alt+F4 and
# checks the exit: status 0, no "ERROR" line.
# usage: start_end_to_end.sh GAME DATA_DIR   (under an X display)
set -u
game=$1
data=$2
source "$(dirname "$0")/game_driver.sh"

start_game
wait_for "^startup: sequence 0 drawn" 300 || fail "the logo was never drawn"
wait_for "^startup: sequence 1 drawn" 150 || fail "the screen after the logo was never drawn"
loaded=$(grep -o -E "lib(avformat|avcodec|avutil|swscale|swresample|curl|sqlite3)[^/ ]*\.so[.0-9]*" "/proc/$pid/maps" | sort -u)
[[ -z "$loaded" ]] || fail "loaded before any movie, connection or database: $loaded"

find_window
quit_and_check
echo "started, showed the logo and the next screen, quit cleanly"
grep "^startup:" "$tmp/out"
