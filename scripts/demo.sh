#!/usr/bin/env bash
# The driver as a point-of-sale host meets it: installs what is missing, builds the Windows
# module, registers it in the project-local Wine prefix with regsvr32, prints the registry
# entries read back, and runs the script client e2e/demo.vbs, which creates "Ovex.MorvanelV41"
# and tells what of it a host can see. Exits non-zero if any step fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

CLSID='{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}'
PROGID='Ovex.MorvanelV41'
DLL="$root/build/windows/scanner/s_morvanelv41.dll"

bash scripts/setup.sh
bash scripts/build.sh windows

# shellcheck source=SCRIPTDIR/wine-env.sh
source scripts/wine-env.sh
wine_boot
wine_session_start

if [[ ! -f "$DLL" ]]; then
  echo "demo: ERROR: the build made no $DLL" >&2
  exit 1
fi
module=$(winepath -w "$DLL" | tr -d '\r')

echo
echo "== wine regsvr32 /s $module"
status=0
wine_run regsvr32 /s "$module" || status=$?
if ((status != 0)); then
  echo "demo: ERROR: regsvr32 failed (exit status $status)" >&2
  exit 1
fi
echo "registered"

echo
echo "== registry (wine reg query)"
for key in "HKCR\\CLSID\\$CLSID" "HKCR\\$PROGID"; do
  if ! wine_run reg query "$key" /s | tr -d '\r'; then
    echo "demo: ERROR: $key is not in the registry" >&2
    exit 1
  fi
done

echo
echo "== wine cscript //nologo e2e/demo.vbs"
out=$(wine_run cscript //nologo "$(winepath -w "$root/e2e/demo.vbs" | tr -d '\r')" 2>&1) || true
out=${out//$'\r'/}
printf '%s\n' "$out"
if [[ "$(grep -v '^$' <<<"$out" | tail -1)" != DONE ]]; then
  echo "demo: ERROR: demo.vbs did not run to its end (no DONE)" >&2
  exit 1
fi
