#!/usr/bin/env bash
# The settings dialog of the registered driver under Wine, inside a virtual desktop (so the
# windows have title bars), operated with real keystrokes from xdotool while the probe thread
# of settings_dialog_check.exe reads back tabs, list cells and page controls. Screenshots of
# the dialog's own windows go to SHOT_DIR (and, with EQU_UPDATE_DOCS=1, to docs/screenshots).
# Prints PASS/FAIL lines and "N passed, N failed"; the exit status is 0 only when all passed.
#
# Usage: settings_dialog.sh CHECK_EXE MODULE_DLL SHOT_DIR
set -euo pipefail

check_exe=$1
module=$2
shot_dir=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../../../scripts/wine-env.sh
source "$here/../../../scripts/wine-env.sh"
wine_boot
wine_session_start

work="$EQU_ROOT/build/settings-dialog"
rm -rf "$work"
mkdir -p "$work/exchange" "$shot_dir"
log="$work/check.log"
: >"$log"
passed=0
failed=0
pass() { echo "PASS $*" && passed=$((passed + 1)); }
fail() { echo "FAIL $*" && failed=$((failed + 1)); }
check() { # check NAME PATTERN: a line of the probe's log matches
  if grep -qE -- "$2" <<<"$(tr -d '\r' <"$log")"; then pass "$1"; else fail "$1 (no line like '$2' in $log)"; fi
}

wine_run regsvr32 /s "$(winepath -w "$module" | tr -d '\r')" >/dev/null 2>&1 || true

desktop_window() {
  xdotool search --name 'Wine desktop' 2>/dev/null | head -1 || true
}

# The screenshot of one rectangle of the virtual desktop, checked for its size and content.
shoot() { # shoot NAME X Y W H
  local name=$1 x=$2 y=$3 w=$4 h=$5 desk origin_x=0 origin_y=0
  desk=$(desktop_window)
  if [[ -n "$desk" ]]; then
    eval "$(xdotool getwindowgeometry --shell "$desk" | grep -E '^(X|Y)=')"
    origin_x=${X:-0}
    origin_y=${Y:-0}
  fi
  local root="$work/root.png" out="$shot_dir/$name.png"
  /usr/bin/import -display "$DISPLAY" -window root "$root" 2>/dev/null
  /usr/bin/convert "$root" -crop "${w}x${h}+$((origin_x + x))+$((origin_y + y))" +repage "$out"
  local size colours
  size=$(/usr/bin/identify -format '%wx%h' "$out")
  colours=$(/usr/bin/identify -format '%k' "$out")
  if [[ "$size" == "${w}x${h}" ]]; then pass "screenshot $name is ${w}x${h}"; else fail "screenshot $name is $size, the window ${w}x${h}"; fi
  if ((colours > 8)); then pass "screenshot $name is not blank ($colours colours)"; else fail "screenshot $name is blank ($colours colours)"; fi
  if [[ "${EQU_UPDATE_DOCS:-0}" == 1 ]]; then
    mkdir -p "$EQU_ROOT/docs/screenshots"
    cp "$out" "$EQU_ROOT/docs/screenshots/$name.png"
  fi
}

focus_desktop() {
  local desk
  desk=$(desktop_window)
  [[ -n "$desk" ]] && xdotool windowfocus --sync "$desk" 2>/dev/null || true
}

serve() { # serve REQUEST_NUMBER ACTION...
  local number=$1 action=$2
  shift 2
  case "$action" in
    shot) shoot "$@" ;;
    key)
      focus_desktop
      xdotool key --delay 80 "$@"
      sleep 0.3
      ;;
    type)
      focus_desktop
      xdotool type --delay 5 "$@"
      sleep 0.3
      ;;
  esac
  touch "$work/exchange/ack.$number"
}

exchange=$(winepath -w "$work/exchange" | tr -d '\r')
wine_log=$(winepath -w "$log" | tr -d '\r')
EQU_WINE_TIMEOUT=240 wine_run explorer /desktop=EquSettings,1024x768 \
  "$(winepath -w "$check_exe" | tr -d '\r')" "$wine_log" "$exchange" >"$work/wine.log" 2>&1 &
pid=$!

handled=0
for ((i = 0; i < 2400; i++)); do
  mapfile -t lines < <(tr -d '\r' <"$log")
  while ((handled < ${#lines[@]})); do
    line=${lines[$handled]}
    handled=$((handled + 1))
    if [[ "$line" == REQUEST* ]]; then
      read -r -a words <<<"${line#REQUEST }"
      serve "${words[@]}"
    fi
  done
  grep -q '^DONE' "$log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

check "the dialog opens with its four tabs" \
  '^tabs Основные настройки\|Сканер RS232\|Сканер клавиатурный\|Информация$'
check "the dialog's client area is 324 by 375" '^dialog-client 324x375$'
check "Tab goes from the tabs through the page to the footer buttons and round" \
  '^tab-order SysTabControl32: > Edit:1 > ComboBox:2400 > ComboBox:По символу конца строки > Button:Дополнительно > Button:ОК > Button:Отмена > SysTabControl32:$'
check "a changed speed and Enter: True, code 0, GetSettings reads the new speed" \
  '^CALL ok result=True code=0 Baud=115200 '
check "a changed speed and Esc: False, code 201, the old speed stays" \
  '^CALL cancel result=False code=201 Baud=115200 .*unchanged=yes'
check "a changed speed and Alt+F4: False, code 201, the old speed stays" \
  '^CALL close-box result=False code=201 Baud=115200 .*unchanged=yes'
check "the settings list's client area is 374 by 379" '^list-client 374x379$'
check "the settings list shows value and default" '^list-cell Скорость 115200 9600$'
check "the settings list edits the port in place" '^list-cell Порт 7$'
check "the page shows the list's value after OK in the list" '^page-port 7$'
check "OK after the list keeps its edit" '^CALL list result=True code=0 .*PortNumber=7 '
check "reset to defaults shows the default speed" '^page-baud 2$'
check "reset to defaults and OK: the defaults are stored" \
  '^CALL reset result=True code=0 Baud=9600 PortNumber=1 '
check "a scan typed into the test window shows as its line" '^test-line 4601234567890$'
check "after the device test and Cancel the settings are as before" \
  '^CALL device-test result=False code=201 .*InterfaceType=0 unchanged=yes'
check "the check ran to its end" '^DONE$'
echo "$passed passed, $failed failed"
((failed == 0))
