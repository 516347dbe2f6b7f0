#!/usr/bin/env bash
# One keyboard scanner per logon, whatever the hosts' bitness: a host of the other bitness
# enables a keyboard scanner and holds it; the program under test (a test host asking for the
# keyboard) must then be refused; once the first host has ended, the same program enables.
#
#   keyboard_lock_across_bitnesses.sh LOADER HOLDER_HOST -- PROGRAM ARGS...
#
# LOADER starts HOLDER_HOST (a test host of the other bitness). Prints what both hosts printed
# and PASS/FAIL lines; the exit status is 0 when every check held.
set -euo pipefail

if (($# < 4)) || [[ $3 != -- ]]; then
  echo "usage: keyboard_lock_across_bitnesses.sh LOADER HOLDER_HOST -- PROGRAM ARGS..." >&2
  exit 64
fi
loader=$1
holder=$2
shift 3
if [[ ! -f $holder ]]; then
  echo "FAIL: the other bitness' test host $holder is not built (bash scripts/build.sh windows)"
  exit 1
fi

holder_log=holder.log
holder_pid=""
cleanup() {
  if [[ -n $holder_pid ]]; then
    kill "$holder_pid" 2>/dev/null || true
    wait "$holder_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

"$loader" "$holder" --interface keyboard --seconds 15 --device-id Holder >"$holder_log" 2>&1 &
holder_pid=$!
for ((i = 0; i < 300; i++)); do
  grep -q '^ready' "$holder_log" 2>/dev/null && break
  kill -0 "$holder_pid" 2>/dev/null || break
  sleep 0.1
done
echo "--- the host of the other bitness:"
tr -d '\r' <"$holder_log"
status=0
if ! tr -d '\r' <"$holder_log" | grep -q '^Enable -> True'; then
  echo "FAIL: the host of the other bitness did not enable its keyboard scanner"
  exit 1
fi

echo "--- the host under test, while the other one holds the keyboard:"
refused=$("$@" 2>&1 | tr -d '\r' || true)
printf '%s\n' "$refused"
if grep -q '^Enable -> False' <<<"$refused"; then
  echo "PASS: the second keyboard scanner of the logon is refused"
else
  echo "FAIL: the second keyboard scanner of the logon was not refused"
  status=1
fi

kill "$holder_pid" 2>/dev/null || true
wait "$holder_pid" 2>/dev/null || true
holder_pid=""
echo "--- the host under test, once the other one has ended:"
alone=$("$@" 2>&1 | tr -d '\r' || true)
printf '%s\n' "$alone"
if grep -q '^Enable -> True' <<<"$alone"; then
  echo "PASS: with the other host gone the keyboard scanner enables"
else
  echo "FAIL: with the other host gone the keyboard scanner still did not enable"
  status=1
fi
exit "$status"
