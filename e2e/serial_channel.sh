#!/usr/bin/env bash
# End-to-end check of the RS232 channel under Wine: a socat pty pair whose one end is linked
# into the prefix's dosdevices as a COM port; the Windows build's reader (SerialChannelCheck.exe)
# opens that port, receives barcodes written on the Linux side and hands them to its host
# thread's window; `stty` on the Linux side shows the speed the channel set.
#
# Prints a PASS or FAIL line per check and "N passed, N failed"; exits non-zero on a failure.
# Uses WINEPREFIX and DISPLAY when set, else a prefix of its own (/tmp/wp-serial-e2e, booted
# on first use). EQU_SERIAL_CHECK overrides the program (default
# build/windows/tests/win32/serial/SerialChannelCheck.exe); EQU_SERIAL_COM the COM number (23).
# The pty pair and the dosdevices link are made here and removed on exit.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${EQU_SERIAL_CHECK:-$root/build/windows/tests/win32/serial/SerialChannelCheck.exe}
port=${EQU_SERIAL_COM:-23}
# A caller's prefix keeps its wineserver; the script's own one is started and stopped here.
standalone=0
[[ -z ${WINEPREFIX:-} ]] && standalone=1
export WINEPREFIX=${WINEPREFIX:-/tmp/wp-serial-e2e}
export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

passed=0
failed=0
pass() { echo "PASS $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

work=$(mktemp -d /tmp/equ-serial-e2e.XXXXXX)
link="$WINEPREFIX/dosdevices/com$port"
socat_pid=
check_pid=
own_server=0
own_link=0
cleanup() {
  [[ -n $check_pid ]] && kill "$check_pid" 2>/dev/null || true
  [[ -n $socat_pid ]] && kill "$socat_pid" 2>/dev/null && wait "$socat_pid" 2>/dev/null || true
  ((own_link)) && rm -f "$link"
  ((own_server)) && wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -f $exe ]]; then
  fail "program missing: $exe (build the Windows tree first)"
  echo "$passed passed, $failed failed"
  exit 1
fi
for tool in socat stty wine wineserver iconv; do
  if ! command -v "$tool" >/dev/null; then
    fail "tool missing: $tool"
    echo "$passed passed, $failed failed"
    exit 1
  fi
done

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || true
fi
if ((standalone)); then
  wineserver -p 2>/dev/null || true
  own_server=1
fi

socat pty,raw,echo=0,link="$work/ttyA" pty,raw,echo=0,link="$work/ttyB" 2>"$work/socat.log" &
socat_pid=$!
for _ in $(seq 100); do [[ -e $work/ttyA && -e $work/ttyB ]] && break; sleep 0.05; done
if [[ ! -e $work/ttyA ]]; then
  fail "socat made no pty pair"
  echo "$passed passed, $failed failed"
  exit 1
fi
if [[ -e $link || -L $link ]]; then
  fail "COM$port is already taken in the prefix ($link)"
  echo "$passed passed, $failed failed"
  exit 1
fi
ln -s "$work/ttyA" "$link"
own_link=1

# Starts the program in the Russian setting (ANSI code page 1251) and waits for READY.
start_check() { # NAME BAUD COUNT
  local out="$work/$1.out"
  LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 timeout 60 wine "$exe" "$port" "$2" "$3" 20 >"$out" 2>&1 &
  check_pid=$!
  for _ in $(seq 300); do
    grep -q '^READY' "$out" 2>/dev/null && return 0
    kill -0 "$check_pid" 2>/dev/null || break
    sleep 0.05
  done
  return 1
}
finish_check() {
  wait "$check_pid" || true
  check_pid=
}
line_speed() { stty -F "$work/ttyA" speed 2>/dev/null || echo "?"; }

# 1. 115200: three barcodes, one of them Cyrillic in the ANSI code page, in two writes.
if start_check fast 115200 3; then
  pass "the reader opened COM$port"
  speed=$(line_speed)
  [[ $speed == 115200 ]] && pass "stty shows 115200 on the line" || fail "stty shows $speed, not 115200"
  printf '4600000000011\r\nABC-123\r\n' >"$work/ttyB"
  printf 'Тест-7\r\n' | iconv -f UTF-8 -t CP1251 >"$work/ttyB"
  finish_check
  out="$work/fast.out"
  got=$(grep '^GOT ' "$out" | sed 's/^GOT //' | tr -d '\r' | paste -sd '|')
  [[ $got == '4600000000011|ABC-123|Тест-7' ]] && pass "barcodes arrived in order: $got" \
    || fail "barcodes: '$got' (output: $(tr '\n' ' ' <"$out"))"
  grep -q '^HOSTTHREAD yes' "$out" && pass "every barcode was handed to the host thread's window" \
    || fail "a barcode reached the callback off the host thread"
  grep -q '^DONE 3' "$out" && pass "the program ended (DONE 3)" || fail "no DONE 3 line"
else
  fail "the reader did not open COM$port: $(tr '\n' ' ' <"$work/fast.out")"
  finish_check
fi

# 2. A speed outside the table opens the line at 9600.
if start_check slow 250000 1; then
  speed=$(line_speed)
  [[ $speed == 9600 ]] && pass "250000 opens the line at 9600" || fail "250000 gave $speed, not 9600"
  printf '777\r\n' >"$work/ttyB"
  finish_check
  grep -q '^GOT 777' "$work/slow.out" && pass "a barcode arrived at 9600" || fail "no barcode at 9600"
else
  fail "the reader did not open COM$port at 250000"
  finish_check
fi

echo "$passed passed, $failed failed"
((failed == 0))
