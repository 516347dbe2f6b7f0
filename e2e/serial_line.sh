#!/usr/bin/env bash
# The serial line of the end-to-end tests: a socat pty pair whose ends are linked into the Wine
# prefix as two COM ports, the host's end and the scanner's end; then runs the test program.
#
#   serial_line.sh HOST_COM SCANNER_COM -- PROGRAM ARGS...
#
# The program opens the scanner's end itself to write barcodes. What it cannot see from
# Windows is the speed the host's end was set to: when it prints a line "line speed?", the
# answer (stty's speed of the host's end) is written to its standard input. A line "unplug"
# removes the pair and its links (the scanner pulled out) and is answered "unplugged"; a line
# "replug" makes a new pair at the same links and is answered "replugged". The program's
# output is passed on; the exit status is the program's. The pair and the links are removed on
# exit; socat's log stays in the working directory (the test's log directory).
set -euo pipefail

if (($# < 4)) || [[ $3 != -- ]]; then
  echo "usage: serial_line.sh HOST_COM SCANNER_COM -- PROGRAM ARGS..." >&2
  exit 64
fi
host_com=$1
scanner_com=$2
shift 3
: "${WINEPREFIX:?serial_line.sh: WINEPREFIX is not set}"

work=$(mktemp -d "${TMPDIR:-/tmp}/equ-serial-line.XXXXXX")
host_link="$WINEPREFIX/dosdevices/com$host_com"
scanner_link="$WINEPREFIX/dosdevices/com$scanner_com"
socat_pid=""
# A port the prefix had before (Wine links com1 to /dev/ttyS0, which hosts with default
# settings open) is given back as it was.
earlier_host=$(readlink "$host_link" 2>/dev/null || true)
earlier_scanner=$(readlink "$scanner_link" 2>/dev/null || true)
cleanup() {
  rm -f "$host_link" "$scanner_link"
  [[ -n $earlier_host ]] && ln -sfn "$earlier_host" "$host_link"
  [[ -n $earlier_scanner ]] && ln -sfn "$earlier_scanner" "$scanner_link"
  if [[ -n $socat_pid ]]; then
    kill "$socat_pid" 2>/dev/null || true
    wait "$socat_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

make_pair() {
  socat -d -d pty,raw,echo=0,link="$work/host" pty,raw,echo=0,link="$work/scanner" \
    2>>socat.log &
  socat_pid=$!
  # socat reports the pair once both ends exist.
  timeout 10 bash -c 'until [[ -e $1 && -e $2 ]]; do sleep 0.02; done' _ "$work/host" "$work/scanner" || {
    echo "serial_line.sh: socat made no pty pair; its log:" >&2
    cat socat.log >&2
    exit 1
  }
  ln -sfn "$work/host" "$host_link"
  ln -sfn "$work/scanner" "$scanner_link"
}

remove_pair() {
  rm -f "$host_link" "$scanner_link"
  kill "$socat_pid" 2>/dev/null || true
  wait "$socat_pid" 2>/dev/null || true
  socat_pid=""
}

make_pair

coproc PROGRAM { "$@" 2>&1; }
program_pid=$PROGRAM_PID
exec {to_program}>&"${PROGRAM[1]}" {from_program}<&"${PROGRAM[0]}"
while IFS= read -r line <&"$from_program"; do
  line=${line%$'\r'}
  printf '%s\n' "$line"
  if [[ $line == "line speed?" ]]; then
    speed=$(stty -F "$work/host" speed 2>&1 || true)
    printf '%s\n' "$speed" >&"$to_program"
  elif [[ $line == "unplug" ]]; then
    remove_pair
    printf 'unplugged\n' >&"$to_program"
  elif [[ $line == "replug" ]]; then
    make_pair
    printf 'replugged\n' >&"$to_program"
  fi
done
status=0
wait "$program_pid" || status=$?
exit "$status"
