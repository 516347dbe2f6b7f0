#!/usr/bin/env bash
# End-to-end tests of the Windows module under Wine, as a host sees it: registration with
# regsvr32 (machine-wide and per user) read back with `reg query`, and script clients run by
# cscript. Prints a PASS or FAIL line for every check and closes with "N passed, N failed";
# exits non-zero when any check failed.
#
# Needs the Windows tree built (scripts/build.sh windows). Boots the prefix and starts Xvfb and
# a persistent wineserver if the caller has not. EQU_DLL overrides the module under test
# (default build/windows/scanner/s_morvanelv41.dll).
#
# cscript under Wine exits 0 even when a script dies, so every script prints DONE as its last
# line and a script's run passes only when DONE came.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"
cd "$EQU_ROOT"

DLL=${EQU_DLL:-$EQU_ROOT/build/windows/scanner/s_morvanelv41.dll}
CLSID='{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}'
PROGID='Ovex.MorvanelV41'
DESCRIPTION='8.2 Equipment Driver 2.0'
THREADING_MODEL='Apartment'
HOST_METHODS=(Init Open Close ShowSettingsDlg GetDeviceInfo Enable Disable GetSettings SetSettings
  CheckHealth EnableDataEvents GetDataCount GetScanData)

passed=0
failed=0
pass() {
  echo "PASS $*"
  passed=$((passed + 1))
}
fail() {
  echo "FAIL $*"
  failed=$((failed + 1))
}
check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  local status=0
  "$@" >/dev/null 2>&1 || status=$?
  if ((status == 0)); then pass "$what"; else fail "$what (exit status $status)"; fi
}

win_path() { winepath -w "$1" | tr -d '\r'; }

# --- the registry ----------------------------------------------------------------------------

# Prints "TYPE<tab>DATA" of value NAME (empty: the default value) of KEY; fails when absent.
reg_value() {
  local key=$1 name=$2 out line rest
  if [[ -z "$name" ]]; then
    out=$(wine_run reg query "$key" /ve 2>/dev/null) || return 1
  else
    out=$(wine_run reg query "$key" /v "$name" 2>/dev/null) || return 1
  fi
  out=${out//$'\r'/}
  # A value line: four blanks, the name, four blanks, the type, four blanks, the data.
  while IFS= read -r line; do
    [[ "$line" == "    "* ]] || continue
    rest=${line#"    "}
    rest=${rest#*"    "} # past the name
    if [[ "$rest" == *"    "* ]]; then
      printf '%s\t%s\n' "${rest%%"    "*}" "${rest#*"    "}"
    else
      printf '%s\t\n' "$rest"
    fi
    return 0
  done <<<"$out"
  return 1
}

key_exists() { wine_run reg query "$1" >/dev/null 2>&1; }

# expect_sz KEY NAME EXPECTED [icase]: a REG_SZ value with that data.
expect_sz() {
  local key=$1 name=$2 expected=$3 icase=${4:-} label got type data
  label="$key ${name:-(default)}"
  if ! got=$(reg_value "$key" "$name"); then
    fail "$label = \"$expected\" (value missing)"
    return
  fi
  type=${got%%$'\t'*}
  data=${got#*$'\t'}
  if [[ "$type" != REG_SZ ]]; then
    fail "$label is REG_SZ (it is $type: \"$data\")"
  elif [[ "$data" == "$expected" ]] || [[ -n "$icase" && "${data,,}" == "${expected,,}" ]]; then
    pass "$label = \"$data\""
  else
    fail "$label = \"$expected\" (it is \"$data\")"
  fi
}

expect_absent() {
  if key_exists "$1"; then fail "$1 is gone (it is still there)"; else pass "$1 is gone"; fi
}

expect_class_keys() { # ROOT MODULE_PATH
  local root=$1 module=$2
  expect_sz "$root\\CLSID\\$CLSID" "" "$DESCRIPTION"
  expect_sz "$root\\CLSID\\$CLSID\\InprocServer32" "" "$module" icase
  expect_sz "$root\\CLSID\\$CLSID\\InprocServer32" ThreadingModel "$THREADING_MODEL"
  expect_sz "$root\\CLSID\\$CLSID\\ProgID" "" "$PROGID"
  expect_sz "$root\\$PROGID" "" "$DESCRIPTION"
  expect_sz "$root\\$PROGID\\Clsid" "" "$CLSID"
}

expect_class_keys_absent() { # ROOT
  expect_absent "$1\\CLSID\\$CLSID"
  expect_absent "$1\\$PROGID"
}

delete_class_keys() { # leftovers of an earlier run, in both hives
  local root
  for root in 'HKCU\Software\Classes' 'HKLM\Software\Classes'; do
    wine_run reg delete "$root\\CLSID\\$CLSID" /f >/dev/null 2>&1 || true
    wine_run reg delete "$root\\$PROGID" /f >/dev/null 2>&1 || true
  done
}

test_registration() {
  echo "--- registration: $DLL"
  delete_class_keys
  if [[ ! -f "$DLL" ]]; then
    fail "registration: the module $DLL exists"
    return
  fi
  local module expected
  module=$(win_path "$DLL")
  expected=$module
  # A path with a blank is registered in its short form.
  if [[ "$module" == *" "* ]]; then expected=$(winepath -s "$module" | tr -d '\r'); fi

  check "regsvr32 /s $module (machine-wide) succeeds" wine_run regsvr32 /s "$module"
  expect_class_keys 'HKCR' "$expected"
  expect_sz "HKLM\\Software\\Classes\\CLSID\\$CLSID\\InprocServer32" "" "$expected" icase
  expect_class_keys_absent 'HKCU\Software\Classes'

  check "regsvr32 /s /u (machine-wide) succeeds" wine_run regsvr32 /s /u "$module"
  expect_class_keys_absent 'HKCR'

  check "regsvr32 /s /n /i:USER (per user) succeeds" wine_run regsvr32 /s /n /i:USER "$module"
  expect_class_keys 'HKCU\Software\Classes' "$expected"
  expect_class_keys_absent 'HKLM\Software\Classes'

  check "regsvr32 /s /u /n /i:user (per user) succeeds" wine_run regsvr32 /s /u /n /i:user "$module"
  expect_class_keys_absent 'HKCU\Software\Classes'

  # Registered machine-wide for the script tests.
  check "regsvr32 /s (machine-wide, again) succeeds" wine_run regsvr32 /s "$module"
  expect_sz "HKCR\\CLSID\\$CLSID\\InprocServer32" "" "$expected" icase
}

# --- script clients --------------------------------------------------------------------------

script_output=""

# run_script FILE: runs it with cscript; its PASS/FAIL lines count as checks, other lines are
# shown indented; passes a check when the script printed DONE as its last line.
run_script() {
  local file=$1 name status=0 line last="" out
  name=$(basename "$file")
  echo "--- $name"
  # Scripts are kept in UTF-8. They run in the target systems' setting (Russian locale, ANSI
  # code page 1251), where the script host reads a script in that code page; Wine's host does
  # not reliably take UTF-16 scripts.
  local ansi="$EQU_ROOT/build/e2e-scripts/$name"
  mkdir -p "${ansi%/*}"
  iconv -f UTF-8 -t CP1251 "$file" >"$ansi"
  out=$(LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 wine_run cscript //nologo "$(win_path "$ansi")" 2>&1) ||
    status=$?
  script_output=${out//$'\r'/}
  while IFS= read -r line; do
    case "$line" in
      PASS*) echo "$line" && passed=$((passed + 1)) ;;
      FAIL*) echo "$line" && failed=$((failed + 1)) ;;
      *) echo "    $line" ;;
    esac
    if [[ -n "$line" ]]; then last=$line; fi
  done <<<"$script_output"
  if [[ "$last" == DONE ]]; then
    pass "$name ran to its end (DONE)"
  else
    fail "$name ran to its end (no DONE; cscript exit status $status)"
  fi
}

test_script_checks() { # FILE: a script that reports its own checks
  run_script "$1"
  if ! grep -q '^PASS' <<<"$script_output"; then
    fail "$(basename "$1") reported its checks (none came)"
  fi
}

test_demo() {
  run_script "$here/demo.vbs"
  if grep -qx 'object created: yes' <<<"$script_output"; then
    pass "demo.vbs: object created"
  else
    fail "demo.vbs: object created"
  fi
  local m missing=()
  for m in "${HOST_METHODS[@]}"; do
    grep -q "^method $m: " <<<"$script_output" || missing+=("$m")
  done
  if ((${#missing[@]} == 0)); then
    pass "demo.vbs: told about all ${#HOST_METHODS[@]} host methods"
  else
    fail "demo.vbs: told about all ${#HOST_METHODS[@]} host methods (not: ${missing[*]})"
  fi
}

# The call trace of the device-framework script: its lines in the default data folder of the
# prefix, in the ANSI code page of the Russian setting (Windows-1251).
test_trace_file() {
  local date trace
  date=$(date +%Y.%m.%d)
  trace="$WINEPREFIX/drive_c/ProgramData/s_morvanelv41/Debug_$date.log"
  if [[ ! -f "$trace" ]]; then
    fail "call trace $trace exists"
    return
  fi
  if grep -q $'> GetDataCount: \tInData: ' "$trace"; then
    pass "call trace has the '> GetDataCount' line"
  else
    fail "call trace has the '> GetDataCount' line"
  fi
  # "Проверка" in Windows-1251: CF F0 EE E2 E5 F0 EA E0.
  if LC_ALL=C grep -q $'InData: \x27\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0\x27' "$trace"; then
    pass "call trace holds the Cyrillic InData in Windows-1251"
  else
    fail "call trace holds the Cyrillic InData in Windows-1251 ($(grep -a 'GetDataCount' "$trace" | head -1 | od -c | head -3 | tr -s ' '))"
  fi
  if grep -q $'============Begin debug log=============' "$trace"; then
    pass "call trace begins with the device header"
  else
    fail "call trace begins with the device header"
  fi
}

# run_checks FILE: a check script of its own (PASS/FAIL lines, "N passed, N failed").
run_checks() {
  local file=$1 name status=0 line
  name=$(basename "$file")
  echo "--- $name"
  while IFS= read -r line; do
    case "$line" in
      PASS*) echo "$line" && passed=$((passed + 1)) ;;
      FAIL*) echo "$line" && failed=$((failed + 1)) ;;
      *) echo "    $line" ;;
    esac
  done < <(bash "$file" 2>&1 || echo "FAIL $name exited with status $?")
}

wine_boot
wine_session_start

test_registration
test_script_checks "$here/create_and_unknown_method.vbs"
test_script_checks "$here/create_and_unknown_method.js"
test_demo
rm -f "$WINEPREFIX/drive_c/ProgramData/s_morvanelv41/Debug_"*.log
test_script_checks "$here/device_framework.vbs"
test_trace_file
test_script_checks "$here/device_framework.js"
run_checks "$here/driver_scanning.sh"
run_checks "$here/serial_channel.sh"
run_checks "$here/keyboard_wedge.sh"
run_checks "$here/test_window.sh"

echo "$passed passed, $failed failed"
((failed == 0))
