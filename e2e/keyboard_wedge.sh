#!/usr/bin/env bash
# End-to-end check of the keyboard-wedge channel under Wine with real X keystrokes: a Windows
# program shows a window whose EDIT control has the focus, with the channel enabled on the
# window's thread (interval 60 ms, at least 3 characters); xdotool types into it.
#
#   - a burst with 5 ms between keys arrives as one barcode through OnGetData and not in the
#     EDIT control;
#   - text typed with 150 ms between keys ends up in the EDIT control complete, in order and
#     with its capitals, and the replayed events come back through the hook marked as injected
#     and pass.
#
# Wine's ToAsciiEx ignores the layout argument and translates by the X server's keymap, so the
# Russian layout (1049) cannot be checked here; the native tests cover it.
#
# Prints a PASS or FAIL line per check and closes with "N passed, N failed"; exits non-zero when
# any check failed. Uses WINEPREFIX and DISPLAY when they are set; otherwise its own prefix
# (booted on first use) and its own Xvfb. EQU_KEYBOARD_E2E_EXE names the program (default: the
# Windows build's tests/win32/keyboard/keyboard_wedge_e2e.exe).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${EQU_KEYBOARD_E2E_EXE:-$root/build/windows/tests/win32/keyboard/keyboard_wedge_e2e.exe}
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/wp-keyboard-wedge}
export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

work=$(mktemp -d "${TMPDIR:-/tmp}/keyboard-wedge.XXXXXX")
own_xvfb_pid=""
own_wineserver=0
cleanup() {
  if ((own_wineserver)); then wineserver -k 2>/dev/null || true; fi
  if [[ -n "$own_xvfb_pid" ]]; then
    kill "$own_xvfb_pid" 2>/dev/null || true
    wait "$own_xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

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
finish() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
  exit
}

if [[ ! -f "$exe" ]]; then
  fail "program $exe exists (build the Windows tree first)"
  finish
fi

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  env -u DISPLAY timeout -k 10 300 wineboot -i >"$work/wineboot.log" 2>&1 || true
  timeout 60 wineserver -w || true
fi

if [[ -z "${DISPLAY:-}" ]]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
  own_xvfb_pid=$!
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  if [[ ! -s "$work/display" ]]; then
    fail "Xvfb starts"
    finish
  fi
  export DISPLAY=":$(tr -dc 0-9 <"$work/display")"
fi

if wineserver -p 2>/dev/null; then own_wineserver=1; fi

# run_phase NAME DELAY_MS TEXT [KEY]: types TEXT into the program's window, then KEY in the
# same burst (TEXT is then pressed key by key: letters and digits only); leaves its report in
# $work/NAME.txt.
run_phase() {
  local name=$1 delay=$2 text=$3 key=${4:-} result="$work/$1.txt" pid window i
  rm -f "$result" "$result.ready" "$result.stop"
  wine "$exe" "$(winepath -w "$result" | tr -d '\r')" 60 >"$work/$name.log" 2>&1 &
  pid=$!
  for ((i = 0; i < 300; i++)); do [[ -f "$result.ready" ]] && break; sleep 0.1; done
  window=""
  for ((i = 0; i < 50; i++)); do
    window=$(xdotool search --name '^KbdWedgeE2E$' 2>/dev/null | head -1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  if [[ -n "$window" ]]; then
    # Keystrokes reach a low-level hook only while a Wine window has the X focus.
    xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
    sleep 0.5
    if [[ -n "$key" ]]; then
      # One xdotool run, so the last key follows as fast as the others.
      xdotool key --delay "$delay" $(grep -o . <<<"$text") "$key"
    else
      xdotool type --delay "$delay" "$text"
    fi
  fi
  sleep 1.5
  touch "$result.stop"
  for ((i = 0; i < 300; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

report_line() { # FILE KEY: the rest of the line that starts with KEY
  sed -n "s/^$2 //p" "$1" | head -1
}

check_report() { # NAME
  local result="$work/$1.txt"
  if [[ -f "$result" ]] && grep -qx DONE "$result"; then
    pass "$1: the program reported (hook $(cat "$result.ready" 2>/dev/null | tr -d '\r\n'))"
    return 0
  fi
  fail "$1: the program reported (log: $(tr '\n' ' ' <"$work/$1.log" | head -c 300))"
  return 1
}

# --- a scanner's burst -----------------------------------------------------------------------
barcode=4006381333931
run_phase burst 5 "$barcode" Return
if check_report burst; then
  r="$work/burst.txt"
  barcodes=$(grep -c '^BARCODE ' "$r" || true)
  if ((barcodes == 1)); then pass "burst: one barcode delivered"; else
    fail "burst: one barcode delivered (got $barcodes: $(grep '^BARCODE' "$r" | tr '\n' ';'))"
  fi
  if grep -qx "BARCODE $barcode RAW $barcode\\\\r" "$r"; then
    pass "burst: value $barcode, raw data with its CR"
  else
    fail "burst: value $barcode, raw data with its CR (got $(grep '^BARCODE' "$r" | tr '\n' ';'))"
  fi
  edit=$(report_line "$r" EDIT)
  if [[ -z "$edit" ]]; then pass "burst: nothing reached the EDIT control"; else
    fail "burst: nothing reached the EDIT control (it holds '$edit')"
  fi
fi

# --- a burst typed as text, ending without Enter --------------------------------------------
run_phase typed_burst 5 98765432
if check_report typed_burst; then
  r="$work/typed_burst.txt"
  if [[ "$(grep '^BARCODE ' "$r" | tr '\n' ';')" == "BARCODE 98765432 RAW 98765432;" ]]; then
    pass "typed burst: delivered as the one barcode 98765432"
  else
    fail "typed burst: delivered as the one barcode 98765432 (got $(grep '^BARCODE' "$r" | tr '\n' ';'))"
  fi
  edit=$(report_line "$r" EDIT)
  if [[ -z "$edit" ]]; then pass "typed burst: nothing reached the EDIT control"; else
    fail "typed burst: nothing reached the EDIT control (it holds '$edit')"
  fi
fi

# --- a person typing -------------------------------------------------------------------------
typed="Hello World 42"
run_phase typing 150 "$typed"
if check_report typing; then
  r="$work/typing.txt"
  if ! grep -q '^BARCODE ' "$r"; then pass "typing: no barcode"; else
    fail "typing: no barcode (got $(grep '^BARCODE' "$r" | tr '\n' ';'))"
  fi
  edit=$(report_line "$r" EDIT)
  if [[ "$edit" == "$typed" ]]; then pass "typing: the EDIT control holds '$typed'"; else
    fail "typing: the EDIT control holds '$typed' (it holds '$edit')"
  fi
  injected=$(report_line "$r" INJECTED_PASSED)
  # Every key-down (and the key-up that came while it was held) is replayed.
  if ((${injected:-0} >= ${#typed})); then
    pass "typing: $injected replayed events came back injected and passed"
  else
    fail "typing: replayed events came back injected and passed (only ${injected:-0})"
  fi
fi

finish
