#!/usr/bin/env bash
# End-to-end checks of the registered driver scanning, with the test host as the host:
#   - serial: barcodes written to a socat pty pair linked into the prefix as a COM port arrive
#     as "ScanData" data events with [code, code, 0]; with events off they queue and come back
#     oldest first through GetScanData; Baud 115200 is the speed on the line; InterfaceType 2
#     and -1 also select the serial channel;
#   - keyboard: a second keyboard driver in another process is refused with the mutex message
#     while the first holds the keyboard, and enables once the first has gone.
# Needs the module registered in the prefix (e2e/run.sh does it first) and a display. Prints
# PASS/FAIL lines and closes with "N passed, N failed"; exits non-zero on any failure.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"
cd "$EQU_ROOT"
wine_boot
wine_session_start

HOST="$EQU_ROOT/build/windows/tools/test_host.exe"
work=$(mktemp -d "${TMPDIR:-/tmp}/driver-scanning.XXXXXX")
COM=7
passed=0
failed=0
socat_pid=""

pass() { echo "PASS $*" && passed=$((passed + 1)); }
fail() { echo "FAIL $*" && failed=$((failed + 1)); }

scanning_cleanup() {
  [[ -n "$socat_pid" ]] && kill "$socat_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com$COM"
  rm -rf "$work"
  return 0
}
equ_cleanup_hooks+=(scanning_cleanup)

start_line() {
  socat pty,raw,echo=0,link="$work/host" pty,raw,echo=0,link="$work/scanner" &
  socat_pid=$!
  local i
  for ((i = 0; i < 50; i++)); do
    [[ -e "$work/host" && -e "$work/scanner" ]] && break
    sleep 0.1
  done
  ln -sf "$work/host" "$WINEPREFIX/dosdevices/com$COM"
}

# run_host LOG ARGS...: starts the test host in the background; waits until it is ready.
run_host() {
  local log=$1 i
  shift
  wine_run "$HOST" "$@" >"$log" 2>&1 &
  host_pid=$!
  for ((i = 0; i < 300; i++)); do
    grep -q '^ready' "$log" 2>/dev/null && return 0
    kill -0 "$host_pid" 2>/dev/null || return 0
    sleep 0.1
  done
}

has_line() { tr -d '\r' <"$1" | grep -qF -- "$2"; }

check_line() { # WHAT LOG TEXT
  if has_line "$2" "$3"; then pass "$1"; else fail "$1 (no line '$3' in: $(tr -d '\r' <"$2" | tail -5 | tr '\n' '|'))"; fi
}

start_line

# Events on, 115200 baud: each barcode is one data event; the line runs at 115200.
log="$work/events.log"
run_host "$log" --interface serial --port $COM --baud 115200 --scans 2 --seconds 15
speed=$(stty -F "$work/scanner" speed 2>/dev/null || true)
host_speed=$(stty -F "$work/host" speed 2>/dev/null || true)
if [[ "$host_speed" == 115200 ]]; then pass "Baud 115200 sets 115200 on the line"; else fail "Baud 115200 sets 115200 on the line (stty: $host_speed / $speed)"; fi
printf '4600000000001\r\n' >"$work/scanner"
sleep 0.3
printf '2900000123456\r\n' >"$work/scanner"
wait "$host_pid" || true
check_line "a serial barcode arrives as a ScanData event with [code, code, 0]" "$log" \
  "DataEvent 'TestHost' 'ScanData' '4600000000001' [('4600000000001'; '4600000000001'; 0)]"
check_line "a second serial barcode arrives too" "$log" "DataEvent 'TestHost' 'ScanData' '2900000123456'"

# Events off: the barcodes queue and come back oldest first.
log="$work/queue.log"
run_host "$log" --interface serial --port $COM --events off --seconds 3
printf 'FIRST-1\r\nSECOND-2\r\n' >"$work/scanner"
wait "$host_pid" || true
if tr -d '\r' <"$log" | grep '^ScanData ' | tr '\n' ' ' | grep -qx 'ScanData FIRST-1 ScanData SECOND-2 '; then
  pass "with events off the scans queue and GetScanData returns them oldest first"
else
  fail "with events off the scans queue and GetScanData returns them oldest first ($(tr -d '\r' <"$log" | grep -E 'ScanData|DataEvent' | tr '\n' '|'))"
fi
if tr -d '\r' <"$log" | grep -q '^DataEvent '; then fail "with events off no data event is sent"; else pass "with events off no data event is sent"; fi

# Any InterfaceType but 1 is the serial channel.
for type in 2 -1; do
  log="$work/type$type.log"
  run_host "$log" --set "InterfaceType=$type" --port $COM --scans 1 --seconds 10
  printf 'TYPE%s\r\n' "$type" >"$work/scanner"
  wait "$host_pid" || true
  check_line "InterfaceType $type selects the serial channel" "$log" "'ScanData' 'TYPE$type'"
done

# One keyboard scanner per logon, across two processes.
first="$work/keyboard-first.log"
run_host "$first" --interface keyboard --seconds 5
first_pid=$host_pid
second="$work/keyboard-second.log"
run_host "$second" --interface keyboard --seconds 1
wait "$host_pid" || true
check_line "a second keyboard driver is refused with 1001 and the mutex message" "$second" \
  "Enable -> False; OutData: [(1001; 'Нельзя использовать более одного клавиатурного сканера одновременно')]"
wait "$first_pid" || true
third="$work/keyboard-third.log"
run_host "$third" --interface keyboard --seconds 1
wait "$host_pid" || true
check_line "after the first holder has gone, a keyboard driver enables" "$third" "Enable -> True"

echo "$passed passed, $failed failed"
((failed == 0))
