#!/usr/bin/env bash
# The registered driver with a manager that calls it back inside its DataEvent handler
# (GetScanData and EnableDataEvents(True), as the test host's --reentrant manager does): three
# barcodes queued on a serial line with events off, then events switched on. Every barcode must
# reach the host exactly once, by event or by GetScanData. A ctest test of the Windows tree:
# registers the module itself and gives back the registration it found.
# Usage: reentrant_manager.sh MODULE TEST_HOST
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../../../scripts/wine-env.sh
source "$here/../../../scripts/wine-env.sh"
module=$1
host=$2
wine_boot
wine_session_start

key='HKLM\Software\Classes\CLSID\{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}\InprocServer32'
COM=9
work=$(mktemp -d "${TMPDIR:-/tmp}/reentrant-manager.XXXXXX")
socat_pid=""
earlier=$(wine_run reg query "$key" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p' || true)

reentrant_cleanup() {
  [[ -n "$socat_pid" ]] && kill "$socat_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com$COM"
  wine_run regsvr32 /s /u "$(winepath -w "$module" | tr -d '\r')" >/dev/null 2>&1 || true
  if [[ -n "$earlier" ]]; then wine_run regsvr32 /s "$earlier" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
  return 0
}
equ_cleanup_hooks+=(reentrant_cleanup)

wine_run regsvr32 /s "$(winepath -w "$module" | tr -d '\r')"
socat pty,raw,echo=0,link="$work/host" pty,raw,echo=0,link="$work/scanner" &
socat_pid=$!
for ((i = 0; i < 50; i++)); do
  [[ -e "$work/host" && -e "$work/scanner" ]] && break
  sleep 0.1
done
ln -sf "$work/host" "$WINEPREFIX/dosdevices/com$COM"

log="$work/host.log"
wine_run "$host" --port "$COM" --events-after 3 --reentrant --scans 3 --seconds 20 >"$log" 2>&1 &
host_pid=$!
for ((i = 0; i < 300; i++)); do
  grep -q '^ready' "$log" 2>/dev/null && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
printf 'AAA\r\nBBB\r\nCCC\r\n' >"$work/scanner"
status=0
wait "$host_pid" || status=$?

failed=0
for code in AAA BBB CCC; do
  n=$(grep -cE "^(received $code \(|ScanData $code\$)" "$log" || true)
  if [[ "$n" == 1 ]]; then
    echo "PASS $code reached the host once"
  else
    echo "FAIL $code reached the host $n times"
    failed=1
  fi
done
if ((status != 0)) || ((failed)); then
  echo "test host exit status $status; its output:"
  tr -d '\r' <"$log"
  exit 1
fi
