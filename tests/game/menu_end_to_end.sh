#!/usr/bin/env bash
# Plays the game as a person would, through the X server (xdotool): the logo,
# the main screen, the map choice, the level page, level 1 (its intro movie
# skipped by a key, its briefing read) won by the taps of its solution, the
# result window, "next", back to the menu, the honour board, the options page
# turned to French, and Alt+F4. Each screen is saved as a PNG in OUT and
# checked: not one flat colour, not the screen before, text ink where the
# screen has its words.
# Every step waits on what the game did: the lines it prints (QM_TRACE_START)
# or the picture itself, polled until it shows what the step expects and has
# come to rest. The clock only bounds how long a step may take, so a busy
# machine makes the test slower, not wrong.
# usage: menu_end_to_end.sh GAME DATA_DIR SOLUTIONS_DIR OUT   (under an X display)
set -u
game=$1
data=$2
solutions=$3
out=$(realpath -m "$4")
# The longest a screen may take to come, in seconds: a bound for a game that
# is stuck, far beyond what a slow machine needs.
bound=${QM_E2E_BOUND:-240}
mkdir -p "$out"
rm -f "$out"/*.png
keep_log() { cp "$tmp/out" "$out/game-stdout.txt" 2>/dev/null; cp "$tmp/err" "$out/game-stderr.txt" 2>/dev/null; }
source "$(dirname "$0")/game_driver.sh"

start_game
wait_for "^startup: sequence 0 drawn" $((bound * 10)) || fail "the studio logo was never drawn"
find_window
eval "$(xdotool getwindowgeometry --shell "$win")"  # X Y WIDTH HEIGHT
[[ $WIDTH -gt 0 && $HEIGHT -gt 0 ]] || fail "the window has no size"

# Points of the game's 480x320 space to the window's pixels.
px() { echo $(($1 * WIDTH / 480)); }
py() { echo $(($1 * HEIGHT / 320)); }
click() {  # x y in points
  xdotool mousemove --window "$win" "$(px "$1")" "$(py "$2")"
  sleep 0.05
  xdotool mousedown 1
  sleep 0.08
  xdotool mouseup 1
}
# Lines the game printed that match a pattern, so far.
said() { grep -c "$1" "$tmp/out"; }
# Waits until the game has printed more lines matching the pattern than it had
# when asked (the count taken before the action that should bring them).
wait_for_more() {  # pattern, count before, what for the failure message
  local start=$SECONDS
  while [[ $(said "$1") -le $2 ]]; do
    kill -0 "$pid" 2>/dev/null || fail "the game ended waiting for $3"
    ((SECONDS - start > bound)) && fail "$3 never came"
    sleep 0.1
  done
}

capture() { import -window "$win" "$1" 2>/dev/null; }
# The share (0 to 1) of a box (points) in a colour, within fuzz percent.
share() {  # file x y w h colour fuzz
  local geometry="$(px "$4")x$(py "$5")+$(px "$2")+$(py "$3")"
  convert "$1" -crop "$geometry" +repage -alpha off -fuzz "$7%" -fill black +opaque "$6" -fill white -opaque "$6" \
    -colorspace gray -format "%[fx:mean]" info:
}
# Pixels that differ between two pictures (all of them, or a box in points).
differ() {  # a b [x y w h]
  local crop=()
  [[ $# -ge 6 ]] && crop=(-crop "$(px "$5")x$(py "$6")+$(px "$3")+$(py "$4")")
  compare -metric AE -fuzz 2% "${crop[@]}" "$1" "$2" null: 2>&1 | cut -d' ' -f1
}
# One check on a picture (boxes in points), true when it holds:
#   look X Y W H COLOUR FUZZ MIN [MAX]  the box holds MIN to MAX of that colour
#   ink X Y W H                          the box holds the lettering's ink: its
#                                        dark blue rim and white face, or the
#                                        banner's brown letters
#   green X Y                            a button's green face at that point
#   unlike FILE X Y W H                  the box differs from FILE's (a change
#                                        of language, of page)
#   like FILE X Y W H                    the box is as in FILE
check() {
  local file=$1 kind=$2
  shift 2
  case $kind in
    look)
      local got
      got=$(share "$file" "$1" "$2" "$3" "$4" "$5" "$6")
      awk -v g="$got" -v lo="$7" -v hi="${8:-1}" 'BEGIN { exit !(g >= lo && g <= hi) }' ;;
    ink)
      local geometry="$(px "$3")x$(py "$4")+$(px "$1")+$(py "$2")" rim face
      rim=$(convert "$file" -crop "$geometry" +repage -fuzz 12% -fill white -opaque "rgb(50,50,101)" \
        -fill black +opaque white -format "%[fx:mean]" info:)
      face=$(convert "$file" -crop "$geometry" +repage -fuzz 6% -fill black +opaque white -format "%[fx:mean]" info:)
      awk -v r="$rim" -v f="$face" 'BEGIN { exit !(r > 0.01 && f > 0.01) }' && return 0
      face=$(convert "$file" -crop "$geometry" +repage -fuzz 12% -fill white -opaque "rgb(78,46,16)" \
        -fill black +opaque white -format "%[fx:mean]" info:)
      awk -v f="$face" 'BEGIN { exit !(f > 0.01) }' ;;
    green)
      local at="$(px "$1"),$(py "$2")"
      [[ $(convert "$file" -format "%[fx:p{$at}.g - max(p{$at}.r, p{$at}.b) > 0.2]" info:) == 1 ]] ;;
    unlike | like)
      local changed
      changed=$(differ "$1" "$file" "$2" "$3" "$4" "$5")
      if [[ $kind == unlike ]]; then
        awk -v c="$changed" 'BEGIN { exit !(c > 100) }'
      else
        awk -v c="$changed" -v n=$(($(px "$4") * $(py "$5") / 20)) 'BEGIN { exit !(c < n) }'
      fi ;;
  esac
}

previous=""
shots=0
# await NAME [--moving] CHECK...: captures the window until it shows a screen of
# its own (not one flat colour, not the last shot) on which every check holds
# and which has come to rest (two captures in a row alike but for a fiftieth of
# the pixels: drifting clouds and idle animals go on, a screen sliding or
# fading in does not pass; --moving, for a movie, asks only that the checks
# hold), then keeps it as the shot NAME. Each CHECK is one word list, as
# check() reads it.
await() {
  local name=$1 moving=0
  shift
  [[ ${1:-} == --moving ]] && { moving=1; shift; }
  local file="$out/$(printf '%02d' $shots)-$name.png" now="$tmp/await.png" last="" start=$SECONDS why c
  while :; do
    kill -0 "$pid" 2>/dev/null || fail "$name: the game ended"
    ((SECONDS - start > bound)) && fail "$name: not shown within $bound s: $why (last picture: $file)"
    capture "$now" || { why="no screenshot"; sleep 0.2; continue; }
    cp "$now" "$file"
    why=""
    local spread
    spread=$(convert "$now" -colorspace gray -format "%[fx:standard_deviation]" info:)
    awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || why="one flat colour"
    if [[ -z $why && -n $previous ]]; then
      awk -v c="$(differ "$previous" "$now")" -v n=$((WIDTH * HEIGHT / 200)) 'BEGIN { exit !(c > n) }' ||
        why="the same picture as the screen before"
    fi
    if [[ -z $why ]]; then
      for c in "$@"; do
        # shellcheck disable=SC2086
        check "$now" $c || { why="the check \"$c\" does not hold"; break; }
      done
    fi
    if [[ -z $why && $moving == 0 ]]; then
      if [[ -z $last ]] || ! awk -v c="$(differ "$last" "$now")" -v n=$((WIDTH * HEIGHT / 50)) 'BEGIN { exit !(c <= n) }'; then
        why="still moving"
      fi
    fi
    [[ -z $why ]] && break
    if [[ $moving == 0 ]]; then
      last="$tmp/await-last.png"
      cp "$now" "$last"
    fi
    sleep 0.2
  done
  shots=$((shots + 1))
  previous=$file
  echo "screen $name: $file"
}
# Waits until the picture holds still (as await does), without keeping a shot.
await_rest() {
  local start=$SECONDS a="$tmp/rest-a.png" b="$tmp/rest-b.png"
  capture "$a"
  while :; do
    sleep 0.2
    capture "$b" || continue
    awk -v c="$(differ "$a" "$b")" -v n=$((WIDTH * HEIGHT / 50)) 'BEGIN { exit !(c <= n) }' && return 0
    ((SECONDS - start > bound)) && fail "the picture never came to rest"
    cp "$b" "$a"
  done
}
# Taps at a point until the game prints one more line matching the pattern,
# waiting for the picture to rest before each tap (a tap during an appearing
# animation only ends the animation).
tap_until() {  # x y pattern what
  local before
  before=$(said "$3")
  for ((n = 0; n < 10; ++n)); do
    await_rest
    [[ $(said "$3") -gt $before ]] && return 0
    click "$1" "$2"
    local start=$SECONDS
    while [[ $(said "$3") -le $before ]] && ((SECONDS - start < 5)); do sleep 0.1; done
    [[ $(said "$3") -gt $before ]] && return 0
  done
  fail "$4 never came"
}

xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
# The studio's logo: its cream page with the dark green lettering of the name
# (shown for a few seconds of the game's frames: taken as soon as it is there).
await logo --moving "look 0 0 480 320 rgb(251,246,232) 3 0.5" "look 70 175 260 50 rgb(47,91,43) 12 0.03"
# The main screen follows on its own.
await main "ink 200 145 80 30" "ink 90 258 300 18" "look 0 0 480 320 rgb(251,246,232) 3 0 0.4"
text_main=$previous

click 240 160   # play: the map choice
await maps "ink 150 10 180 28" "ink 20 170 440 30"

click 78 122    # the first map: its level page
await levels "ink 20 180 130 40"

levels_started=$(said "^startup: sequence 2 drawn")
click 196 42    # level 1: the intro movie first
# The movie: a night sky over the meadow, and its white subtitles below.
await intro --moving "look 0 0 480 50 rgb(26,32,64) 10 0.3" "look 100 280 280 30 rgb(255,255,255) 15 0.02"
xdotool key --window "$win" space   # skips it
wait_for_more "^startup: sequence 2 drawn" "$levels_started" "level 1"
# The level under its briefing: the paper banner with the green hint bulb,
# the timer's dark plate top left.
await level-1 "look 100 185 280 50 rgb(241,223,178) 6 0.15" "look 60 240 20 20 rgb(66,153,66) 10 0.25" \
  "look 2 2 80 16 rgb(27,36,50) 15 0.3"
# The briefing waits for a tap; play begins after it.
tap_until 240 16 "^level: state 2" "play in level 1"
# The solution's taps at their frames, counted by the game from the start of
# the level (it prints every tenth).
won_before=$(said "^level: state 6")
while read -r frame x y; do
  [[ "$frame" =~ ^[0-9]+$ ]] || continue
  start=$SECONDS
  until [[ $(grep "^level: frame " "$tmp/out" | tail -1 | cut -d' ' -f3) -ge $frame ]] 2>/dev/null; do
    ((SECONDS - start > bound)) && fail "level 1 never reached frame $frame"
    kill -0 "$pid" 2>/dev/null || fail "the game ended in level 1"
    sleep 0.05
  done
  click "$x" "$y"
done <"$solutions/1.txt"
wait_for_more "^level: state 6" "$won_before" "the win of level 1"
await result "ink 100 245 300 30"
click 240 280   # a tap on the first win's message brings the result window
# Its buttons come one after the other, "next" last with its green face; the
# plaques rest clear of the window, so it may already be whole on the picture
# before.
previous=""
await result-window "green 440 66" "ink 50 35 150 120" "ink 330 44 90 22"
next_level=$(said "^level: state 7")
click 370 55    # next: level 2
wait_for_more "^level: state 7" "$next_level" "the briefing of level 2"
await level-2 "ink 80 250 320 30"
tap_until 240 280 "^level: state 2" "play in level 2"   # its briefings, read one after the other
# Playing: the briefing's paper gone, the sky above and the pause button's blue.
await level-2-play "look 100 185 280 50 rgb(241,223,178) 6 0 0.05" "look 100 40 280 40 rgb(130,175,226) 10 0.2" \
  "look 434 14 12 14 rgb(55,130,235) 15 0.3"
click 440 21    # pause
# Paused: the green resume and menu buttons over the level, the paper banner below.
await pause "look 190 60 90 14 rgb(90,170,80) 20 0.4" "look 190 172 90 14 rgb(90,170,80) 20 0.4" \
  "look 100 250 280 30 rgb(235,213,162) 8 0.4"
click 240 172   # its menu button: back to the level page
await back-to-levels "ink 20 180 130 40"
xdotool key --window "$win" Escape   # the level page goes back to the main screen
# The main screen as first seen: its title and buttons where they were.
await main-again "ink 200 145 80 30" "ink 90 258 300 18" "like $text_main 165 40 150 160"

click 240 232   # the honour board
# The board: its dark wood panels and the red label of its title.
await honours "look 330 100 100 60 rgb(90,58,32) 8 0.4" "look 175 6 60 12 rgb(158,48,36) 10 0.12"
click 28 292    # its back button
await main-after-honours "ink 200 145 80 30" "like $text_main 165 40 150 160"

click 100 232   # help: a page larger than the screen, dragged
await help "ink 100 20 280 70"
xdotool mousemove --window "$win" "$(px 420)" "$(py 260)" mousedown 1
for step in 1 2 3 4 5 6; do
  xdotool mousemove --window "$win" "$(px $((420 - step * 60)))" "$(py $((260 - step * 35)))"
  sleep 0.05
done
xdotool mouseup 1
await help-dragged
click 28 292    # back to the main screen
await main-after-help "ink 200 145 80 30" "like $text_main 165 40 150 160"

click 310 232   # options
await options "ink 20 60 120 80"
click 298 208   # Français
await options-fr "ink 20 60 120 80"
click 420 282   # OK keeps it
# The main screen again, its captions now in French.
await main-fr "ink 90 258 300 18" "unlike $text_main 90 258 300 18"
# OK wrote the options file: the language is French, index 1.
language=$(awk '/LANGUAGE/ { f = 1 } f && /^current=/ { print substr($0, 9); exit }' \
  "$tmp/home/TARNWELL/Quillmoor/options.dat" 2>/dev/null)
[[ "$language" == 1 ]] || fail "options.dat does not hold the new language (\"$language\")"

quit_and_check
echo "played from the logo to level 2 and back, changed the language, quit cleanly: $shots screens in $out"
