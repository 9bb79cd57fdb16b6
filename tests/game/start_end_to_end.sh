#!/usr/bin/env bash
# Starts the game as a player would (from its data folder, a fresh save folder,
# no sound device), waits until the logo and then the screen after it are
# drawn, quits with Alt+F4 and checks the exit: status 0, no "ERROR" line.
# usage: start_end_to_end.sh GAME DATA_DIR   (under an X display)
set -u
game=$1
data=$2
tmp=$(mktemp -d)
pid=""
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- stdout"; cat "$tmp/out"
  echo "--- stderr"; cat "$tmp/err"
  exit 1
}

cd "$data" || fail "no data folder $data"
XDG_DATA_HOME=$tmp/home ALSOFT_DRIVERS=null QM_TRACE_START=1 "$game" >"$tmp/out" 2>"$tmp/err" &
pid=$!

wait_for() {  # pattern, tenths of a second
  for ((i = 0; i < $2; ++i)); do
    grep -q "$1" "$tmp/out" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
wait_for "^startup: sequence 0 drawn" 300 || fail "the logo was never drawn"
wait_for "^startup: sequence 1 drawn" 150 || fail "the screen after the logo was never drawn"

win=""
for ((i = 0; i < 50; ++i)); do
  win=$(xdotool search --name "^Quillmoor$" 2>/dev/null | head -1)
  [[ -n "$win" ]] && break
  sleep 0.1
done
[[ -n "$win" ]] || fail "no window of the game"
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
xdotool key --clearmodifiers alt+F4

for ((i = 0; i < 100; ++i)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then fail "still running 10 s after Alt+F4"; fi
wait "$pid"
status=$?
pid=""
[[ $status -eq 0 ]] || fail "exit status $status"
if grep -q "ERROR" "$tmp/err"; then fail "an ERROR line on the error stream"; fi
echo "started, showed the logo and the next screen, quit cleanly"
grep "^startup:" "$tmp/out"
