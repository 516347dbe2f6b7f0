#!/usr/bin/env bash
# The main job: the driver in a point-of-sale host, with a simulated scanner scanning.
#
#   bash scripts/demo.sh           an RS232 scanner: a socat pty pair is linked into the Wine
#                                  prefix as COM5, the test host enables the driver on it, and a
#                                  few barcodes are written to the other end of the line
#   bash scripts/demo.sh keyboard  a keyboard-wedge scanner: the test host shows a window under
#                                  a headless X server and xdotool types barcodes as fast bursts
#   bash scripts/demo.sh payment   a card-less payment (e2e/payment_tool.sh): the local payment
#                                  service and the customer-display simulator start natively,
#                                  the payment tool runs under Wine with the scanner driver on
#                                  COM5; a wallet code scanned during the waiting dialog pays the
#                                  first invoice, the shop's QR code on the display the second
#
# Installs what is missing, builds the Windows module and the test host, registers the module
# in the project-local prefix with the end-to-end tests' fixture (ctest e2e.fixture.*: the prefix
# booted, regsvr32 /s by the loader of the build's bitness), and shows every barcode arriving at
# the host as a "ScanData" data event. Exits non-zero if a barcode does not arrive.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mode=${1:-serial}
case "$mode" in
  serial | keyboard | payment) ;;
  *)
    echo "usage: bash scripts/demo.sh [serial|keyboard|payment]" >&2
    exit 64
    ;;
esac

HOST="$root/build/windows/tools/test_host.exe"
BARCODES=(4600000000001 4607001234567 2900000123456)

bash scripts/setup.sh
[[ "$mode" == payment ]] && bash scripts/build.sh native
bash scripts/build.sh windows

# shellcheck source=SCRIPTDIR/wine-env.sh
source scripts/wine-env.sh
wine_boot
wine_session_start

echo
echo "== the module registered in the prefix (the end-to-end tests' fixture: regsvr32 /s)"
fixture_log="$root/build/demo-fixture.log"
if ! ctest --test-dir build/windows -R '^e2e\.fixture\.' --output-on-failure >"$fixture_log" 2>&1; then
  cat "$fixture_log" >&2
  exit 1
fi
grep -E 'Test +#' "$fixture_log"
echo "registered Ovex.MorvanelV41"

log="$root/build/demo-host.log"
pty_dir="$root/build/demo-pty"
socat_pid=""
host_pid=""

demo_cleanup() {
  [[ -n "$host_pid" ]] && kill "$host_pid" 2>/dev/null
  [[ -n "$socat_pid" ]] && kill "$socat_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com5"
  return 0
}
equ_cleanup_hooks+=(demo_cleanup)

# Starts the test host in the background and waits until the driver is enabled.
start_host() {
  : >"$log"
  wine_run "$HOST" --seconds 20 --scans "${#BARCODES[@]}" "$@" >"$log" 2>&1 &
  host_pid=$!
  local i
  for ((i = 0; i < 200; i++)); do
    grep -q '^ready' "$log" 2>/dev/null && return 0
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "demo: ERROR: the test host did not get ready; its output:" >&2
  tr -d '\r' <"$log" >&2
  return 1
}

scan_serial() {
  mkdir -p "$pty_dir"
  rm -f "$pty_dir/host" "$pty_dir/scanner"
  socat pty,raw,echo=0,link="$pty_dir/host" pty,raw,echo=0,link="$pty_dir/scanner" &
  socat_pid=$!
  local i
  for ((i = 0; i < 50; i++)); do
    [[ -e "$pty_dir/host" && -e "$pty_dir/scanner" ]] && break
    sleep 0.1
  done
  ln -sf "$pty_dir/host" "$WINEPREFIX/dosdevices/com5"
  echo
  echo "== test host: the driver on COM5 (a socat pty pair), 9600 baud"
  start_host --interface serial --port 5 --baud 9600
  local code
  for code in "${BARCODES[@]}"; do
    echo "scanner -> $code"
    printf '%s\r\n' "$code" >"$pty_dir/scanner"
    sleep 0.5
  done
}

scan_keyboard() {
  echo
  echo "== test host: the driver on the keyboard, a window under Xvfb ($DISPLAY)"
  start_host --interface keyboard --window
  local window i
  for ((i = 0; i < 50; i++)); do
    window=$(xdotool search --name '^Test host$' 2>/dev/null | head -1) && [[ -n "$window" ]] && break
    sleep 0.1
  done
  xdotool windowfocus --sync "$window"
  local code
  for code in "${BARCODES[@]}"; do
    echo "scanner types -> $code (5 ms between keys)"
    xdotool type --delay 5 "$code"
    xdotool key Return
    sleep 0.5
  done
}

if [[ "$mode" == payment ]]; then
  # The same run as the end-to-end test e2e.payment.tool_with_scanner_on_com_port.
  rm -f "$WINEPREFIX/dosdevices/com5"
  bash e2e/payment_tool.sh "$root/build/native" "$root/build/screenshots" 5 -- \
    "$EQU_WINE64" "$root/build/windows/tools/payment_tool.exe"
  exit $?
fi

"scan_$mode"
wait "$host_pid" || true
host_pid=""

echo
echo "== what the host saw"
tr -d '\r' <"$log"

missing=0
for code in "${BARCODES[@]}"; do
  if grep -q "^DataEvent 'TestHost' 'ScanData' '$code'" <(tr -d '\r' <"$log"); then
    echo "arrived as a ScanData event: $code"
  else
    echo "demo: ERROR: $code did not arrive" >&2
    missing=1
  fi
done
exit "$missing"
