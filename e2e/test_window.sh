#!/usr/bin/env bash
# The device test window under Wine: opened through DeviceTest with the keyboard channel, a
# barcode typed as a fast burst becomes a line of the window (neither queued nor sent on), a
# screenshot of it is kept in build/screenshots/test_window.png, and closing the window
# disables the driver. Prints PASS/FAIL lines and "N passed, N failed".
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"
cd "$EQU_ROOT"
wine_boot
wine_session_start

exe="$EQU_ROOT/build/windows/tests/win32/test_window_check.exe"
log="$EQU_ROOT/build/test-window.log"
shot="$EQU_ROOT/build/screenshots/test_window.png"
mkdir -p "${shot%/*}"
rm -f "$shot"
passed=0
failed=0
pass() { echo "PASS $*" && passed=$((passed + 1)); }
fail() { echo "FAIL $*" && failed=$((failed + 1)); }

request="$EQU_ROOT/build/test-window.close"
rm -f "$request"
wine_run "$exe" "$(winepath -w "$request" | tr -d '\r')" >"$log" 2>&1 &
pid=$!
window=""
for ((i = 0; i < 100; i++)); do
  window=$(xdotool search --name 'Тестирование устройства' 2>/dev/null | head -1 || true)
  [[ -n "$window" ]] && break
  sleep 0.1
done
if [[ -z "$window" ]]; then
  fail "the test window 'Тестирование устройства' opens"
else
  pass "the test window 'Тестирование устройства' opens"
  xdotool windowfocus --sync "$window"
  sleep 0.3
  xdotool type --delay 5 "4601234567890"
  xdotool key Return
  sleep 0.5
  /usr/bin/import -display "$DISPLAY" -window root "$shot" 2>/dev/null || true
  if [[ -s "$shot" ]]; then pass "screenshot $shot"; else fail "screenshot $shot"; fi
  touch "$request"
fi
for ((i = 0; i < 100; i++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
out=$(tr -d '\r' <"$log")
if grep -q '^closed; enabled=False; queued=0' <<<"$out"; then
  pass "closing the window disables the driver, and the test scan was not queued"
else
  fail "closing the window disables the driver, and the test scan was not queued ($(tr '\n' '|' <<<"$out"))"
fi
echo "$passed passed, $failed failed"
((failed == 0))
