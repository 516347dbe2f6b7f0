#!/usr/bin/env bash
# Real X keystrokes for an end-to-end test program: starts the program, waits until its window
# (found by its title) is mapped, gives it the X focus (a low-level keyboard hook under Wine
# sees keys only while a Wine window has it) and types with xdotool.
#
#   keys.sh --window TITLE [--screenshot PNG] XDOTOOL_ARGS... [+ XDOTOOL_ARGS...]... -- PROGRAM ARGS...
#
# Each group of XDOTOOL_ARGS (groups are separated by "+") is one xdotool run, for example
# `type --delay 5 4601234567890 + key Return`. With --screenshot, once the program prints a line
# "ready for the screenshot" the X screen is photographed into PNG. The program's standard
# input is closed after the keys (and the screenshot): a program that waits for a request to
# close its window takes that as the request. The program's output is passed on; the exit
# status is the program's (or 1 when its window never appeared).
set -euo pipefail

usage() {
  echo "usage: keys.sh --window TITLE [--screenshot PNG] XDOTOOL_ARGS... [+ ...] -- PROGRAM ARGS..." >&2
  exit 64
}
title=""
screenshot=""
while (($#)); do
  case $1 in
    --window) title=${2:?}; shift 2 ;;
    --screenshot) screenshot=${2:?}; shift 2 ;;
    *) break ;;
  esac
done
groups=()
group=()
while (($#)) && [[ $1 != -- ]]; do
  if [[ $1 == + ]]; then
    groups+=("$(printf '%q ' "${group[@]}")")
    group=()
  else
    group+=("$1")
  fi
  shift
done
((${#group[@]})) && groups+=("$(printf '%q ' "${group[@]}")")
[[ -n $title && ${1:-} == -- && $# -ge 2 && ${#groups[@]} -gt 0 ]] || usage
shift
: "${DISPLAY:?keys.sh: no X display (run the tests through bash e2e/run.sh or scripts/test.sh)}"
[[ -n $screenshot ]] && rm -f "$screenshot"

coproc PROGRAM { "$@" 2>&1; }
program_pid=$PROGRAM_PID
# Own copies of the coprocess' pipes (its variables go when it ends); the originals are closed,
# so that closing to_program is the program's end of input.
exec {to_program}>&"${PROGRAM[1]}" {from_program}<&"${PROGRAM[0]}"
eval "exec ${PROGRAM[1]}>&- ${PROGRAM[0]}<&-"
# The program's output, passed on as it comes; a line that asks for the screenshot is also
# handed to this script through the pipe "asks".
asks=$(mktemp -u "${TMPDIR:-/tmp}/equ-keys.XXXXXX")
mkfifo "$asks"
exec {asks_rw}<>"$asks"
rm -f "$asks"
(
  exec {to_program}>&-
  while IFS= read -r line <&"$from_program"; do
    line=${line%$'\r'}
    printf '%s\n' "$line"
    [[ $line == "ready for the screenshot" ]] && printf 'shoot\n' >&"$asks_rw"
  done
  printf 'ended\n' >&"$asks_rw"
) &
forwarder=$!

finish() {
  exec {to_program}>&-
  local status=0
  wait "$program_pid" || status=$?
  wait "$forwarder" || true
  exit "$status"
}

# xdotool's --sync waits until a mapped window has that title (the program maps its window
# once it is ready for keys).
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" 2>/dev/null | head -1 || true)
if [[ -z $window ]]; then
  echo "keys.sh: no window '$title' appeared within 30 s"
  kill "$program_pid" 2>/dev/null || true
  exec {to_program}>&-
  wait "$program_pid" 2>/dev/null || true
  wait "$forwarder" || true
  exit 1
fi
xdotool windowfocus --sync "$window"
for g in "${groups[@]}"; do
  eval "xdotool $g"
done

if [[ -n $screenshot ]]; then
  if IFS= read -r -t 30 ask <&"$asks_rw" && [[ $ask == shoot ]]; then
    mkdir -p "$(dirname "$screenshot")"
    /usr/bin/import -display "$DISPLAY" -window root "$screenshot.tmp.png" &&
      mv -f "$screenshot.tmp.png" "$screenshot"
  else
    echo "keys.sh: the program did not ask for the screenshot"
  fi
fi
finish
