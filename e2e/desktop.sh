#!/usr/bin/env bash
# Keystrokes and screenshots on request, for a test program inside a Wine virtual desktop
# (`explorer /desktop=...`, where windows have frames and titles): runs the program and serves
# the lines it prints
#
#   REQUEST key KEYS...            xdotool key (the desktop given the X focus first)
#   REQUEST type TEXT              xdotool type
#   REQUEST shot NAME X Y W H      the desktop's rectangle (its own coordinates) photographed
#                                  into SHOT_DIR/NAME.png (and docs/screenshots with
#                                  EQU_UPDATE_DOCS=1)
#
# by writing one line to its standard input once done: "done", or for a shot the picture's
# size and number of colours ("324x375 1234"), which the program checks.
#
#   desktop.sh --shots SHOT_DIR -- PROGRAM ARGS...
#
# The program's output is passed on; the exit status is the program's.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
shot_dir=""
while (($#)) && [[ $1 != -- ]]; do
  case $1 in
    --shots) shot_dir=${2:?}; shift 2 ;;
    *) echo "usage: desktop.sh --shots SHOT_DIR -- PROGRAM ARGS..." >&2; exit 64 ;;
  esac
done
[[ -n $shot_dir && ${1:-} == -- && $# -ge 2 ]] || {
  echo "usage: desktop.sh --shots SHOT_DIR -- PROGRAM ARGS..." >&2
  exit 64
}
shift
: "${DISPLAY:?desktop.sh: no X display (run the tests through bash e2e/run.sh or scripts/test.sh)}"
mkdir -p "$shot_dir"

desktop_window() {
  xdotool search --name 'Wine desktop' 2>/dev/null | head -1 || true
}

focus_desktop() {
  local desk
  desk=$(desktop_window)
  [[ -n $desk ]] && xdotool windowfocus --sync "$desk" 2>/dev/null || true
}

# shot NAME X Y W H: prints the picture's "WxH COLOURS".
shot() {
  local name=$1 x=$2 y=$3 w=$4 h=$5 desk X=0 Y=0
  desk=$(desktop_window)
  [[ -n $desk ]] && eval "$(xdotool getwindowgeometry --shell "$desk" | grep -E '^(X|Y)=')"
  local root_shot="$shot_dir/.root.png" out="$shot_dir/$name.png"
  /usr/bin/import -display "$DISPLAY" -window root "$root_shot" 2>/dev/null
  /usr/bin/convert "$root_shot" -crop "${w}x${h}+$((X + x))+$((Y + y))" +repage "$out"
  rm -f "$root_shot"
  if [[ ${EQU_UPDATE_DOCS:-0} == 1 ]]; then
    mkdir -p "$root/docs/screenshots"
    cp "$out" "$root/docs/screenshots/$name.png"
  fi
  /usr/bin/identify -format '%wx%h %k' "$out"
}

coproc PROGRAM { "$@" 2>&1; }
program_pid=$PROGRAM_PID
exec {to_program}>&"${PROGRAM[1]}" {from_program}<&"${PROGRAM[0]}"
while IFS= read -r line <&"$from_program"; do
  line=${line%$'\r'}
  printf '%s\n' "$line"
  [[ $line == "REQUEST "* ]] || continue
  read -r -a words <<<"${line#REQUEST }"
  case ${words[0]} in
    key) focus_desktop; xdotool key --delay 80 "${words[@]:1}"; answer=done ;;
    type) focus_desktop; xdotool type --delay 5 "${words[@]:1}"; answer=done ;;
    shot) answer=$(shot "${words[@]:1}" 2>&1 || true) ;;
    *) answer="unknown request" ;;
  esac
  printf '%s\n' "$answer" >&"$to_program"
done
status=0
wait "$program_pid" || status=$?
exit "$status"
