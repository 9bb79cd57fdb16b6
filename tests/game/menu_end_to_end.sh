#!/usr/bin/env bash
# Plays the game as a person would, through the X server (xdotool): the logo,
# the main screen, the map choice, the level page, level 1 (its intro movie
# skipped by a key, its briefing read) won by the taps of its solution, the
# result window, "next", back to the menu, the honour board, the options page
# turned to French, and Alt+F4. Each screen is saved as a PNG in OUT and
# checked: not one flat colour, not the screen before, text ink where the
# screen has its words.
# usage: menu_end_to_end.sh GAME DATA_DIR SOLUTIONS_DIR OUT   (under an X display)
set -u
game=$1
data=$2
solutions=$3
out=$(realpath -m "$4")
mkdir -p "$out"
rm -f "$out"/*.png
keep_log() { cp "$tmp/out" "$out/game-stdout.txt" 2>/dev/null; cp "$tmp/err" "$out/game-stderr.txt" 2>/dev/null; }
source "$(dirname "$0")/game_driver.sh"

start_game
wait_for "^startup: sequence 0 drawn" 300 || fail "the studio logo was never drawn"
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

previous=""
shots=0
# shot NAME [X Y W H ...]: saves the window, checks it is a picture of its own,
# and that each given box (points) holds the ink of the game's lettering.
shot() {
  local name=$1
  shift
  local file="$out/$(printf '%02d' $shots)-$name.png"
  shots=$((shots + 1))
  import -window "$win" "$file" 2>/dev/null || fail "$name: no screenshot"
  local spread
  spread=$(convert "$file" -colorspace gray -format "%[fx:standard_deviation]" info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || fail "$name: one flat colour ($file)"
  if [[ -n "$previous" ]]; then
    local changed
    changed=$(compare -metric AE -fuzz 2% "$previous" "$file" null: 2>&1 | cut -d' ' -f1)
    awk -v c="$changed" -v n=$((WIDTH * HEIGHT / 200)) 'BEGIN { exit !(c > n) }' ||
      fail "$name: the same picture as the screen before ($changed pixels differ)"
  fi
  while [[ $# -ge 4 ]]; do
    ink "$file" "$1" "$2" "$3" "$4" || fail "$name: no lettering in the box $1 $2 $3 $4 ($file)"
    shift 4
  done
  previous=$file
  echo "screen $name: $file"
}
# The letters' rim colour (a dark blue) and their white face, both, in a box;
# or the banner's brown letters.
ink() {
  local geometry="$(px "$4")x$(py "$5")+$(px "$2")+$(py "$3")"
  local rim face
  rim=$(convert "$1" -crop "$geometry" +repage -fuzz 12% -fill white -opaque "rgb(50,50,101)" \
    -fill black +opaque white -format "%[fx:mean]" info:)
  face=$(convert "$1" -crop "$geometry" +repage -fuzz 6% -fill black +opaque white -format "%[fx:mean]" info:)
  awk -v r="$rim" -v f="$face" 'BEGIN { exit !(r > 0.01 && f > 0.01) }' && return 0
  face=$(convert "$1" -crop "$geometry" +repage -fuzz 12% -fill white -opaque "rgb(78,46,16)" \
    -fill black +opaque white -format "%[fx:mean]" info:)
  awk -v f="$face" 'BEGIN { exit !(f > 0.01) }'
}
# The share (0 to 1) of a box (points) in a colour, within fuzz percent.
share() {  # file x y w h colour fuzz
  local geometry="$(px "$4")x$(py "$5")+$(px "$2")+$(py "$3")"
  convert "$1" -crop "$geometry" +repage -alpha off -fuzz "$7%" -fill black +opaque "$6" -fill white -opaque "$6" \
    -colorspace gray -format "%[fx:mean]" info:
}
# looks NAME FILE X Y W H COLOUR FUZZ MIN [MAX]: the box holds at least MIN
# (and at most MAX) of that colour, or the screen is not the one it should be.
looks() {
  local got
  got=$(share "$2" "$3" "$4" "$5" "$6" "$7" "$8")
  awk -v g="$got" -v lo="$9" -v hi="${10:-1}" 'BEGIN { exit !(g >= lo && g <= hi) }' ||
    fail "$1: the box $3 $4 $5 $6 holds $got of $7, not $9 to ${10:-1} ($2)"
}
# Waits until the window shows something other than the last shot and holds
# still (two captures a fifth of a second apart alike), for at most the given
# tenths of a second; a screen that never stops moving is taken as it is then.
settle() {
  local last="" now changed i
  for ((i = 0; i < $1; i += 2)); do
    now="$tmp/settle-$((i % 4)).png"
    import -window "$win" "$now" 2>/dev/null || { sleep 0.2; continue; }
    if [[ -n "$last" ]]; then
      changed=$(compare -metric AE -fuzz 2% "$last" "$now" null: 2>&1 | cut -d' ' -f1)
      if awk -v c="$changed" -v n=$((WIDTH * HEIGHT / 1000)) 'BEGIN { exit !(c <= n) }'; then
        [[ -z "$previous" ]] && return 0
        changed=$(compare -metric AE -fuzz 2% "$previous" "$now" null: 2>&1 | cut -d' ' -f1)
        awk -v c="$changed" -v n=$((WIDTH * HEIGHT / 200)) 'BEGIN { exit !(c > n) }' && return 0
      fi
    fi
    last=$now
    sleep 0.2
  done
  return 0
}

xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
wait_for "^startup: sequence 1 drawn" 150 || fail "the menu was never drawn"
settle 20
shot logo
# The studio's logo: its cream page with the dark green lettering of the name.
looks logo "$previous" 0 0 480 320 "rgb(251,246,232)" 3 0.5
looks logo "$previous" 70 175 260 50 "rgb(47,91,43)" 12 0.03
sleep 4
settle 40
shot main 200 145 80 30 90 258 300 18
text_main=$previous

click 240 160   # play: the map choice
settle 30
shot maps 150 10 180 28 20 170 440 30

click 78 122    # the first map: its level page
settle 30
shot levels 20 180 130 40

click 196 42    # level 1: the intro movie first
sleep 1.5
shot intro
# The movie: a night sky over the meadow, and its white subtitles below.
looks intro "$previous" 0 0 480 50 "rgb(26,32,64)" 10 0.3
looks intro "$previous" 100 280 280 30 "rgb(255,255,255)" 15 0.02
xdotool key --window "$win" space   # skips it
wait_for "^startup: sequence 2 drawn" 100 || fail "level 1 never started"
start=$(date +%s%N)
sleep 0.8
shot level-1
# The level under its briefing: the paper banner with the green hint bulb,
# the timer's dark plate top left.
looks level-1 "$previous" 100 185 280 50 "rgb(241,223,178)" 6 0.15
looks level-1 "$previous" 60 240 20 20 "rgb(66,153,66)" 10 0.25
looks level-1 "$previous" 2 2 80 16 "rgb(27,36,50)" 15 0.3
# The briefing waits for a tap; the solution's taps follow at their frames
# (33 ms each, counted from the start of the level).
for ((i = 0; i < 2; ++i)); do
  click 240 16
  sleep 0.8
done
while read -r frame x y; do
  [[ "$frame" =~ ^[0-9]+$ ]] || continue
  due=$((start + frame * 33000000))
  now=$(date +%s%N)
  [[ $now -lt $due ]] && sleep "$(awk -v d=$((due - now)) 'BEGIN { print d / 1e9 }')"
  click "$x" "$y"
done <"$solutions/1.txt"
sleep 5
shot result 100 245 300 30
click 240 280   # a tap on the first win's message brings the result window
# The window's buttons come one after the other, "next" last: wait for its
# green face.
green() {  # file x y (points): a button's green there
  convert "$1" -format "%[fx:p{$(px "$2"),$(py "$3")}.g - max(p{$(px "$2"),$(py "$3")}.r, p{$(px "$2"),$(py "$3")}.b) > 0.2]" info:
}
for ((i = 0; i < 40; ++i)); do
  import -window "$win" "$tmp/poll.png" 2>/dev/null
  [[ $(green "$tmp/poll.png" 400 55) == 1 ]] && break
  sleep 0.5
done
sleep 1          # its appearing animation: a touch before it ends would skip the window
# The plaques rest clear of the window, so it was already whole on the picture before.
previous=""
shot result-window 50 35 150 120 330 44 90 22
click 370 55    # next: level 2
sleep 2.5
shot level-2 80 250 320 30
for ((i = 0; i < 4; ++i)); do   # its briefings, read one after the other
  click 240 280
  sleep 0.8
done
settle 20
shot level-2-play
# Playing: the briefing's paper gone, the sky above and the pause button's blue.
looks level-2-play "$previous" 100 185 280 50 "rgb(241,223,178)" 6 0 0.05
looks level-2-play "$previous" 100 40 280 40 "rgb(130,175,226)" 10 0.2
looks level-2-play "$previous" 434 14 12 14 "rgb(55,130,235)" 15 0.3
click 440 21    # pause
settle 30
shot pause
# Paused: the green resume and menu buttons over the level, the paper banner below.
looks pause "$previous" 190 60 90 14 "rgb(90,170,80)" 20 0.4
looks pause "$previous" 190 172 90 14 "rgb(90,170,80)" 20 0.4
looks pause "$previous" 100 250 280 30 "rgb(235,213,162)" 8 0.4
click 240 172   # its menu button: back to the level page
settle 30
shot back-to-levels 20 180 130 40
xdotool key --window "$win" Escape   # the level page goes back to the main screen
settle 30
shot main-again 200 145 80 30 90 258 300 18
# The main screen as first seen: its title and buttons where they were.
changed=$(compare -metric AE -fuzz 4% -crop "$(px 150)x$(py 160)+$(px 165)+$(py 40)" "$text_main" "$previous" null: 2>&1 |
  cut -d' ' -f1)
awk -v c="$changed" -v n=$(($(px 150) * $(py 160) / 20)) 'BEGIN { exit !(c < n) }' ||
  fail "main-again: not the main screen ($changed pixels of its title and play button differ)"

click 240 232   # the honour board
settle 30
shot honours
# The board: its dark wood panels and the red label of its title.
looks honours "$previous" 330 100 100 60 "rgb(90,58,32)" 8 0.4
looks honours "$previous" 175 6 60 12 "rgb(158,48,36)" 10 0.12
click 28 292    # its back button
sleep 1

click 100 232   # help: a page larger than the screen, dragged
sleep 1
shot help 100 20 280 70
xdotool mousemove --window "$win" "$(px 420)" "$(py 260)" mousedown 1
for step in 1 2 3 4 5 6; do
  xdotool mousemove --window "$win" "$(px $((420 - step * 60)))" "$(py $((260 - step * 35)))"
  sleep 0.05
done
xdotool mouseup 1
sleep 0.5
shot help-dragged
click 28 292    # back to the main screen
sleep 1

click 310 232   # options
sleep 1
shot options 20 60 120 80
before_french=$previous
click 298 208   # Français
sleep 0.8
shot options-fr 20 60 120 80
click 420 282   # OK keeps it
sleep 1
shot main-fr 90 258 300 18
changed=$(compare -metric AE -fuzz 2% -crop "$(px 300)x$(py 18)+$(px 90)+$(py 258)" "$text_main" "$previous" null: 2>&1 | cut -d' ' -f1)
awk -v c="$changed" 'BEGIN { exit !(c > 100) }' || fail "the captions did not change language"
# OK wrote the options file: the language is French, index 1.
language=$(awk '/LANGUAGE/ { f = 1 } f && /^current=/ { print substr($0, 9); exit }' \
  "$tmp/home/TARNWELL/Quillmoor/options.dat" 2>/dev/null)
[[ "$language" == 1 ]] || fail "options.dat does not hold the new language (\"$language\")"

quit_and_check
echo "played from the logo to level 2 and back, changed the language, quit cleanly: $shots screens in $out"
