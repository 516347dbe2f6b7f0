#!/usr/bin/env bash
# The release package installed and removed as an integrator does it, under Wine with both
# bitnesses: scripts/package.sh makes it from the built trees; it is unpacked to a folder
# whose name has blanks and parentheses; install.cmd (run from the 32-bit cmd, which reaches
# the 64-bit regsvr32 through Sysnative) registers both modules; the 64-bit and the 32-bit
# script hosts create the driver and read GetDeviceInfo; the package's 32-bit test host gets
# a serial scan as a data event; uninstall.cmd (from the 64-bit cmd) removes both, after which
# neither registry view holds the class or the ProgID and both test hosts find the driver
# unregistered; the same per user. At its end the build trees' modules are registered again,
# as the end-to-end fixture had them.
#
#   package_install.sh TREE64 TREE32
#
# Prints PASS/FAIL lines; exit status 0 when every check held.
set -uo pipefail

tree64=${1:?usage: package_install.sh TREE64 TREE32}
tree32=${2:?usage: package_install.sh TREE64 TREE32}
: "${WINEPREFIX:?package_install.sh: WINEPREFIX is not set}"
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
clsid='{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}'
progid=Ovex.MorvanelV41

failures=0
check() { # DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then
    echo "PASS: $description"
  else
    echo "FAIL: $description"
    failures=$((failures + 1))
  fi
}

unpack_dir="$WINEPREFIX/drive_c/Program Files (x86)/Equ Package Test"
socat_pid=""
cleanup() {
  [[ -n $socat_pid ]] && kill "$socat_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com9"
  rm -rf "$unpack_dir"
  # The fixture's registration back: each tree's module in its own view.
  "$wine64" regsvr32 /s "Z:$tree64/scanner/s_morvanelv41.dll" >/dev/null 2>&1
  "$wine32" regsvr32 /s "Z:$tree32/scanner/s_morvanelv41.dll" >/dev/null 2>&1
}
trap cleanup EXIT

echo "--- the package"
if ! bash "$root/scripts/package.sh" --no-build >package.log 2>&1; then
  cat package.log
  echo "FAIL: scripts/package.sh --no-build"
  exit 1
fi
zip_file=$(sed -n 's/^package: //p' package.log)
rm -rf "$unpack_dir"
mkdir -p "$unpack_dir"
unzip -q "$zip_file" -d "$unpack_dir"
package=$(find "$unpack_dir" -mindepth 1 -maxdepth 1 -type d | head -1)
check "the package's checksums verify" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$package"

# The default value of a key in one registry view ("" when the key is absent).
reg_default() { # VIEW(32|64) KEY
  "$wine64" reg query "$2" /ve "/reg:$1" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p'
}
reg_absent() { # VIEW KEY
  ! "$wine64" reg query "$2" "/reg:$1" >/dev/null 2>&1
}
has_module_of() { # VIEW ROOT FOLDER
  local path
  path=$(reg_default "$1" "$2\\Software\\Classes\\CLSID\\$clsid\\InprocServer32")
  echo "  view $1: InprocServer32 = $path"
  [[ $path == *"\\$3\\"* || $path == *"\\$(echo "$3" | tr '[:lower:]' '[:upper:]')\\"* ]]
}

script="$WINEPREFIX/drive_c/equ_package_check.vbs"
cat >"$script" <<'VBS'
Dim driver, info, result
Set driver = CreateObject("Ovex.MorvanelV41")
result = driver.GetDeviceInfo(Empty, info, 0)
If result And IsArray(info) Then WScript.Echo "PASS GetDeviceInfo: " & (UBound(info) + 1) & " values" Else WScript.Echo "FAIL GetDeviceInfo"
VBS
script_reads_info() { # LOADER
  local out
  out=$("$1" cscript //nologo 'C:\equ_package_check.vbs' 2>&1 | tr -d '\r')
  echo "  $out"
  [[ $out == "PASS GetDeviceInfo: 15 values" ]]
}
host_finds_no_driver() { # LOADER FOLDER
  local out
  out=$("$1" "$package/$2/test_host.exe" --seconds 1 2>&1 | tr -d '\r')
  echo "  $2/test_host: $(head -1 <<<"$out")"
  [[ $out == *"the driver Ovex.MorvanelV41 is not registered"* ]]
}

serial_scan_in_32bit_host() {
  local pty work log code=4006381333931 i
  work=$(mktemp -d "${TMPDIR:-/tmp}/equ-package-pty.XXXXXX")
  socat pty,raw,echo=0,link="$work/host" pty,raw,echo=0,link="$work/scanner" 2>/dev/null &
  socat_pid=$!
  for ((i = 0; i < 50; i++)); do [[ -e $work/host && -e $work/scanner ]] && break; sleep 0.1; done
  ln -sfn "$work/host" "$WINEPREFIX/dosdevices/com9"
  log=host32.log
  "$wine32" "$package/x86/test_host.exe" --interface serial --port 9 --baud 9600 --scans 1 \
    --seconds 20 >"$log" 2>&1 &
  local host=$!
  for ((i = 0; i < 200; i++)); do grep -q '^ready' "$log" 2>/dev/null && break; sleep 0.1; done
  printf '%s\r\n' "$code" >"$work/scanner"
  wait "$host"
  kill "$socat_pid" 2>/dev/null
  wait "$socat_pid" 2>/dev/null
  socat_pid=""
  rm -f "$WINEPREFIX/dosdevices/com9"
  rm -rf "$work"
  tr -d '\r' <"$log" | sed 's/^/  /'
  tr -d '\r' <"$log" | grep -q "^DataEvent 'TestHost' 'ScanData' '$code'"
}

run_cmd() { # LOADER SCRIPT ARGS...: runs one of the package's .cmd files
  local loader=$1 name=$2
  shift 2
  # Wine's cmd does not start a batch file by a path with blanks: it is started from its folder
  # (the script's own %~dp0 is still the path with blanks and parentheses).
  # In the Russian setting cmd reads the file in OEM 866; what it prints into a pipe is ANSI.
  (cd "$package" && LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$loader" cmd /c "$name" "$@") 2>&1 |
    tr -d '\r' | iconv -f CP1251 -t UTF-8 | sed 's/^/  /'
  return "${PIPESTATUS[0]}"
}

echo "--- install.cmd, machine-wide, from the 32-bit cmd"
check "install.cmd exits 0" run_cmd "$wine32" install.cmd
check "the 64-bit view holds the package's x64 module" has_module_of 64 HKLM x64
check "the 32-bit view holds the package's x86 module" has_module_of 32 HKLM x86
check "the 64-bit script host creates the driver and reads GetDeviceInfo" script_reads_info "$wine64"
check "the 32-bit script host creates the driver and reads GetDeviceInfo" script_reads_info "$wine32"
check "a serial scan arrives as ScanData in the package's 32-bit test host" serial_scan_in_32bit_host

echo "--- the 64-bit module unregistered alone: the 32-bit one goes on working"
"$wine64" regsvr32 /s /u "$package/x64/s_morvanelv41.dll"
check "the shared ProgID stays while the 32-bit class is registered" \
  test -n "$(reg_default 64 "HKLM\\Software\\Classes\\$progid\\Clsid")"
check "the 32-bit script host still creates the driver" script_reads_info "$wine32"
"$wine64" regsvr32 /s "$package/x64/s_morvanelv41.dll"

echo "--- uninstall.cmd, machine-wide, from the 64-bit cmd"
check "uninstall.cmd exits 0" run_cmd "$wine64" uninstall.cmd
for view in 64 32; do
  check "the $view-bit view holds no CLSID" reg_absent "$view" "HKLM\\Software\\Classes\\CLSID\\$clsid"
  check "the $view-bit view holds no ProgID" reg_absent "$view" "HKLM\\Software\\Classes\\$progid"
done
check "the 64-bit test host finds the driver unregistered" host_finds_no_driver "$wine64" x64
check "the 32-bit test host finds the driver unregistered" host_finds_no_driver "$wine32" x86

echo "--- install.cmd /user and uninstall.cmd /user"
# Wine keeps one HKCU\Software\Classes\CLSID for both views (Windows 7 and later keep them
# apart), so the module registered last, the 32-bit one, is the one the key holds here.
check "install.cmd /user exits 0" run_cmd "$wine64" install.cmd /user
check "the user's classes hold the package's x86 module" has_module_of 32 HKCU x86
check "uninstall.cmd /user exits 0" run_cmd "$wine32" uninstall.cmd /user
for view in 64 32; do
  check "the user's $view-bit view holds no CLSID" reg_absent "$view" "HKCU\\Software\\Classes\\CLSID\\$clsid"
done
check "the user's classes hold no ProgID" reg_absent 64 "HKCU\\Software\\Classes\\$progid"

echo "--- an unknown option"
run_cmd "$wine64" install.cmd /bogus >/dev/null
check "install.cmd /bogus exits 64" test "$?" -eq 64

rm -f "$script"
echo "checks failed: $failures"
((failures == 0))
