# Sourced by the tests that start the whole game under an X display: starts it
# from its data folder with a fresh save folder and no sound device, waits for
# its lines, finds its window, and quits it with Alt+F4 checking the exit.
# The caller sets $game and $data and may define keep_log (called on failure).
tmp=$(mktemp -d)
pid=""
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  declare -F keep_log >/dev/null && keep_log
  echo "FAIL: $*"
  echo "--- stdout"; grep -av "^level: frame" "$tmp/out" | tail -40
  echo "--- stderr"; tail -40 "$tmp/err"
  exit 1
}

start_game() {
  cd "$data" || fail "no data folder $data"
  XDG_DATA_HOME=$tmp/home ALSOFT_DRIVERS=null QM_TRACE_START=1 "$game" >"$tmp/out" 2>"$tmp/err" &
  pid=$!
}

wait_for() {  # pattern, tenths of a second
  for ((i = 0; i < $2; ++i)); do
    grep -q "$1" "$tmp/out" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

find_window() {  # sets $win
  win=""
  for ((i = 0; i < 50; ++i)); do
    win=$(xdotool search --name "^Quillmoor$" 2>/dev/null | head -1)
    [[ -n "$win" ]] && break
    sleep 0.1
  done
  [[ -n "$win" ]] || fail "no window of the game"
}

quit_and_check() {  # Alt+F4, then exit status 0 and no "ERROR" on the error stream
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  xdotool key --clearmodifiers alt+F4
  # A bound for a game that does not quit; a slow machine (or a sanitizer's
  # leak check at exit) takes its time.
  for ((i = 0; i < 1200; ++i)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then fail "still running 120 s after Alt+F4"; fi
  wait "$pid"
  local status=$?
  pid=""
  [[ $status -eq 0 ]] || fail "exit status $status"
  if grep -q "ERROR" "$tmp/err"; then fail "an ERROR line on the error stream"; fi
}
