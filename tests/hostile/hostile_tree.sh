#!/usr/bin/env bash
# Runs the game's readers and the tools over data trees in which files are
# replaced by what a damaged or hostile install may hold: a FIFO, a link to
# /dev/zero, a sparse 4 GB file, a folder and an empty file. Each run is bounded
# in time and memory; a run that ends by a signal, is still running at the
# bound, or grows past 500 MB fails the check. Stopping with a message, or
# going on without the file, is what every reader should do.
# usage: hostile_tree.sh DATA_DIR TOOLS_DIR GAME HELPERS_DIR [--headless | --display | NAME...]
# runs every line of the table below; only those that need no display, or
# only those that do (under an X display); or those of the names given.
# HELPERS_DIR holds bounded_run and hostile_entries.
set -u
data=$(realpath "$1")
tools=$(realpath "$2")
game=$(realpath "$3")
bounded=$(realpath "$4")/bounded_run
entries=$(realpath "$4")/hostile_entries
shift 4
only=" $* "
limit_mb=${QM_HOSTILE_MB:-500}
limit_s=${QM_HOSTILE_SECONDS:-300}
export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1

# The folders of a data tree the game reads ("." is the files at the top, such
# as config.ynm) and the save folder ("saves": what the game keeps per player).
folders=(. gamedesign levels physicmodels models textures font text win32_audio video saves)
saves=(options.dat levels.sav achievements.sav tutov2.sav)
kinds=(fifo zero sparse folder empty)

# What runs over the trees, one line each: the folders that are made hostile
# (each on its own, the rest of the tree left whole; "all" for every folder at
# once), a name, and the command, run from the tree's root with the save
# folder under $XDG_DATA_HOME. $tools is the tools' folder, $out a folder for
# pictures. Every line runs once for each kind of hostile entry. A reader or a
# tool joins the check by a line here.
runs=(
  '. physicmodels levels | level_probe | "$tools/level_probe" . 1 30'
  '. physicmodels levels gamedesign | level_play | "$tools/level_play" . 1 levels/solutions/1.txt'
  'gamedesign saves | progress_report | "$tools/progress_report" .'
  'models textures font text | brutdump | "$tools/brutdump" models/main-menu.bin'
  'models textures font text | scene_shot | "$tools/scene_shot" . main-menu.bin "$out/scene.png" --frames 3'
  'video text | movie_probe | "$tools/movie_probe" video/INTRO.m4v 20 --subtitles movie0'
  'win32_audio | sound_report | "$tools/sound_report" win32_audio/button_click.wav win32_audio/jingle_lose.ogg'
  'win32_audio | caural_play_wav | "$tools/caural_play" win32_audio/button_click.wav'
  'win32_audio | caural_play_ogg | "$tools/caural_play" win32_audio/jingle_lose.ogg'
  'levels physicmodels video win32_audio | game_shot | "$tools/game_shot" . "$out/shot.png" --level 1 --ms 1500'
  'win32_audio all | game | run_game'
)

# The lines above that draw into a window.
needs_display=" scene_shot game_shot game "

work=$(mktemp -d "${TMPDIR:-/tmp}/hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir -p "$out"
failures=0
count=0

# make_tree KIND FOLDERS...: a fresh tree in $tree whose listed folders hold an
# entry of KIND in place of each file; every other folder and file is a link
# to the real data. Few processes: each one costs on a busy machine.
make_tree() {
  local kind=$1
  shift
  local f name links=() targets=()
  tree=$work/tree
  rm -rf "$tree"
  mkdir -p "$tree/home/TARNWELL/Quillmoor"
  declare -A chosen=()
  for f in "$@"; do chosen[$f]=1; done
  for name in "$data"/*; do
    local base=${name##*/}
    if [[ -d $name && -n ${chosen[$base]:-} ]]; then
      (cd "$name" && find . -type d -print0) | (cd "$tree" && mkdir -p "$base" && cd "$base" && xargs -0 mkdir -p)
      (cd "$name" && find . -type f -print0) | (cd "$tree/$base" && xargs -0 -r "$entries" "$kind")
    elif [[ ! -d $name && -n ${chosen[.]:-} ]]; then
      targets+=("$tree/$base")
    else
      links+=("$name")
    fi
  done
  [[ ${#links[@]} -gt 0 ]] && ln -s -t "$tree" "${links[@]}"
  if [[ -n ${chosen[saves]:-} ]]; then
    for name in "${saves[@]}"; do targets+=("$tree/home/TARNWELL/Quillmoor/$name"); done
  fi
  [[ ${#targets[@]} -gt 0 ]] && "$entries" "$kind" "${targets[@]}"
}

# report STATUS OUT ERR: the bounded run's verdict, and on failure the end of
# what the program said.
report() {
  grep -a "^$name, " "$2"
  if [[ $1 -ne 0 ]]; then
    echo "--- its last words:"
    tail -n 5 "$2" "$3" | cut -c1-200
  fi
}

# The whole game: started, left until the screen after the logo is drawn (or
# until it ends or hangs), then asked to quit with Alt+F4.
run_game() {
  QM_TRACE_START=1 "$bounded" "$limit_s" "$limit_mb" "$label" -- "$game" >"$work/game.out" 2>"$work/game.err" &
  local runner=$! i n win=""
  for ((i = 0; i < limit_s * 10; ++i)); do
    grep -q "^startup: sequence 1 drawn" "$work/game.out" && break
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.1
  done
  # Alt+F4 until it quits: a key sent before the window has the focus is lost.
  for ((i = 0; i < 20; ++i)); do
    kill -0 "$runner" 2>/dev/null || break
    win=$(xdotool search --name "^Quillmoor$" 2>/dev/null | head -1)
    if [[ -n $win ]]; then
      xdotool windowfocus --sync "$win" 2>/dev/null
      xdotool key --window "$win" --clearmodifiers alt+F4 2>/dev/null
    fi
    for ((n = 0; n < 50; ++n)); do
      kill -0 "$runner" 2>/dev/null || break
      sleep 0.1
    done
  done
  wait "$runner"
  local status=$?
  report "$status" "$work/game.out" "$work/game.err"
  return $status
}

# run KIND SET NAME COMMAND: one bounded run of a command over the tree made.
run() {
  name=$3
  label="$3, $1 in place of every file of: $2"
  count=$((count + 1))
  if [[ $4 == run_game ]]; then
    (cd "$tree" && XDG_DATA_HOME=$tree/home run_game) || failures=$((failures + 1))
  else
    (cd "$tree" && XDG_DATA_HOME=$tree/home eval "\"\$bounded\" \"\$limit_s\" \"\$limit_mb\" \"\$label\" -- $4" \
      >"$work/run.out" 2>"$work/run.err"; status=$?; report $status "$work/run.out" "$work/run.err"; exit $status) ||
      failures=$((failures + 1))
  fi
}

# The lines asked for, and each folder (or "all") with the lines that make it
# hostile: one tree per kind and folder serves every line that names it.
selected=()
for line in "${runs[@]}"; do
  IFS='|' read -r which name command <<<"$line"
  name=${name// /}
  case $only in
    " --headless ") [[ $needs_display == *" $name "* ]] && continue ;;
    " --display ") [[ $needs_display != *" $name "* ]] && continue ;;
    "  ") ;;
    *) [[ $only != *" $name "* ]] && continue ;;
  esac
  selected+=("$line")
done
for set in "${folders[@]}" all; do
  for kind in "${kinds[@]}"; do
    made=0
    for line in "${selected[@]}"; do
      IFS='|' read -r which name command <<<"$line"
      name=${name// /}
      [[ " $which " == *" $set "* ]] || continue
      if [[ $made == 0 ]]; then
        if [[ $set == all ]]; then make_tree "$kind" "${folders[@]}"; else make_tree "$kind" "$set"; fi
        made=1
      fi
      run "$kind" "$set" "$name" "${command# }"
    done
  done
done
echo "$count runs, $failures failed"
[[ $failures -eq 0 ]]
