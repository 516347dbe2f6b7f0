#!/usr/bin/env bash
# Prints the driver's figures beside their goals (not part of the test run):
#   - an optimised native tree (build/bench: Release, no sanitizers) running the key-event and
#     serial benchmarks;
#   - under Wine, the module registered machine-wide (a registration found before is given
#     back at the end) and driven by tests/win32/bench/ComBench.cpp: Invoke calls per second,
#     serial line end to DataEvent over a socat pty pair linked as COM ports, the keyboard
#     channel's last keystroke to DataEvent with bursts typed by xdotool, and what an idle
#     enabled channel costs the host's process.
# Usage: scripts/bench.sh   (as root on a fresh clone: installs what is missing, builds both)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh >/dev/null

out="$root/build/bench-logs"
mkdir -p "$out"
figures=()
figure() { # WHAT VALUE GOAL
  figures+=("$(printf '%-64s %-28s goal: %s' "$1" "$2" "$3")")
}

# --- native benchmarks ------------------------------------------------------------------------
echo "bench: native Release tree (build/bench)"
cmake -S "$root" -B build/bench -G Ninja --log-level=WARNING \
  -DCMAKE_BUILD_TYPE=Release -DEQU_SANITIZE=OFF -DEQU_WERROR=ON >/dev/null
cmake --build build/bench -j "$(nproc)" --target equ_keyboard_benchmark equ_serial_benchmark \
  >"$out/native-build.log"

# csv_value FILE ROW COLUMN: one cell of Google Benchmark's CSV output, in the first row whose
# name starts with ROW and ends with the optional SUFFIX (4th argument).
csv_value() {
  awk -F, -v row="\"$2" -v column="\"$3\"" -v suffix="${4:-}" '
    /^name,/ { for (i = 1; i <= NF; i++) if ($i == column || $i == substr(column, 2, length(column) - 2)) c = i; next }
    c && index($1, row) == 1 && (suffix == "" || index($1, suffix "\"") > 0) { print $c; exit }' "$1"
}

echo "bench: key-event benchmark"
# One benchmark at a time: the CSV writer wants the same counters in every row.
build/bench/tests/native/keyboard/equ_keyboard_benchmark --benchmark_format=csv \
  --benchmark_filter='^BM_PassedKey/' >"$out/keyboard.csv" 2>"$out/keyboard.err"
passed_ns=$(csv_value "$out/keyboard.csv" BM_PassedKey ns_per_event _median)
passed_allocs=$(csv_value "$out/keyboard.csv" BM_PassedKey allocs_per_event _median)
figure "passed key, time per event (median)" "$(awk -v v="$passed_ns" 'BEGIN{printf "%.1f ns", v * 1e9}')" "<= 1 us"
figure "passed key, allocations per event" "$passed_allocs" "0"

echo "bench: serial benchmark (socat pty pair)"
for name in BM_LastByteToCallback BM_Sustained115200; do
  build/bench/tests/native/serial/equ_serial_benchmark --benchmark_format=csv \
    --benchmark_filter="^$name/" >"$out/$name.csv" 2>"$out/$name.err"
done
figure "last serial byte to callback, worst of 200" \
  "$(csv_value "$out/BM_LastByteToCallback.csv" BM_LastByteToCallback worst_ms) ms" \
  "<= poll period (5 ms) + 2 ms"
figure "sustained 115200 baud, barcodes lost" \
  "$(csv_value "$out/BM_Sustained115200.csv" BM_Sustained115200 lost_codes)" "0"

# --- under Wine, through the registered module -------------------------------------------------
echo "bench: Windows tree"
bash scripts/build.sh windows >"$out/windows-build.log"
cmake --build build/windows --target com_bench >>"$out/windows-build.log"
# shellcheck source=SCRIPTDIR/wine-env.sh
source scripts/wine-env.sh
wine_boot
wine_session_start

bench_exe="$root/build/windows/tests/win32/com_bench.exe"
module=$(winepath -w "$root/build/windows/scanner/s_morvanelv41.dll" | tr -d '\r')
key='HKLM\Software\Classes\CLSID\{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}\InprocServer32'
earlier=$(wine_run reg query "$key" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p' || true)
work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
socat_pid=""
DRIVER_COM=11
WRITER_COM=12

bench_cleanup() {
  [[ -n "$socat_pid" ]] && kill "$socat_pid" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com$DRIVER_COM" "$WINEPREFIX/dosdevices/com$WRITER_COM"
  wine_run regsvr32 /s /u "$module" >/dev/null 2>&1 || true
  if [[ -n "$earlier" ]]; then wine_run regsvr32 /s "$earlier" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
  return 0
}
equ_cleanup_hooks+=(bench_cleanup)
wine_run regsvr32 /s "$module"

echo "bench: Invoke through the registered module"
wine_run "$bench_exe" invoke 50000 | tr -d '\r' >"$out/invoke.txt"
figure "Invoke calls per second (GetDataCount, hand-built DISPPARAMS)" \
  "$(awk '{printf "%d /s", $2}' "$out/invoke.txt")" "(throughput figure)"

echo "bench: serial line through the registered module"
socat pty,raw,echo=0,link="$work/driver" pty,raw,echo=0,link="$work/writer" &
socat_pid=$!
for ((i = 0; i < 50; i++)); do
  [[ -e "$work/driver" && -e "$work/writer" ]] && break
  sleep 0.1
done
ln -sf "$work/driver" "$WINEPREFIX/dosdevices/com$DRIVER_COM"
ln -sf "$work/writer" "$WINEPREFIX/dosdevices/com$WRITER_COM"
wine_run "$bench_exe" serial "$DRIVER_COM" "$WRITER_COM" 40 | tr -d '\r' >"$out/serial-wine.txt"
figure "serial line end to DataEvent under Wine (median / worst of 40)" \
  "$(awk '/^serial_line_end/ {printf "%s / %s ms", $3, $5}' "$out/serial-wine.txt")" \
  "<= poll period (5 ms) + 2 ms"
figure "serial burst of 40 to DataEvent under Wine" \
  "$(awk '/^serial_burst/ {printf "%d scans/s (%s of %s)", $2, $4, $6}' "$out/serial-wine.txt")" \
  "(throughput figure)"

# keyboard_latency MODE PREFIX POSTFIX: types 30 bursts with xdotool; prints median and worst of
# (DataEvent time - time the last key was sent) in milliseconds.
keyboard_latency() {
  local mode=$1 prefix=$2 postfix=$3 log="$out/keyboard-$1.txt" i window
  : >"$work/sent"
  wine_run "$bench_exe" keyboard "$mode" 30 >"$log" 2>&1 &
  local pid=$!
  for ((i = 0; i < 300; i++)); do
    grep -q '^ready' "$log" 2>/dev/null && break
    sleep 0.1
  done
  window=""
  for ((i = 0; i < 100 && ${#window} == 0; i++)); do
    window=$(xdotool search --name 'Bench host' 2>/dev/null | head -1 || true)
    [[ -z "$window" ]] && sleep 0.1
  done
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 0.3
  local code burst
  for ((i = 0; i < 30; i++)); do
    code="46012345$((10000 + i))"
    burst="${prefix}${code}${postfix}"
    # All but the last key, then the moment just before the run that sends the last key: the
    # figure includes that xdotool's start-up (a few ms), so it is an upper bound.
    xdotool type --delay 5 "${burst%?}"
    echo "sent $(date +%s%N) $code" >>"$work/sent"
    xdotool type "${burst: -1}"
    sleep 0.25
  done
  wait "$pid" 2>/dev/null || true
  # Each DataEvent beside the moment its burst's last key was sent, matched by the code.
  tr -d '\r' <"$log" | cat "$work/sent" - |
    awk '$1 == "sent" {sent[$3] = $2} $1 == "event" && ($3 in sent) {print ($2 - sent[$3]) / 1e6}' |
    sort -n |
    awk '{v[NR] = $1} END {if (NR) printf "%.1f / %.1f ms (%d scans)", v[int((NR + 1) / 2)], v[NR], NR; else print "no scans"}'
}

echo "bench: keyboard channel through the registered module (xdotool)"
figure "last keystroke to DataEvent, interval mode (median / worst)" \
  "$(keyboard_latency interval '' '')" "<= inter-character interval (60 ms) + 5 ms"
figure "postfix key to DataEvent, prefix/postfix mode (median / worst)" \
  "$(keyboard_latency postfix '%' '$')" "<= 5 ms"

echo "bench: idle cost of an enabled channel (20 s each)"
for channel in none serial keyboard; do
  wine_run "$bench_exe" idle "$channel" 20 "$DRIVER_COM" | tr -d '\r' >"$out/idle-$channel.txt"
  figure "idle host, channel: $channel (CPU of one core; per minute)" \
    "$(awk '{printf "%.2f %% (%.2f s/min)", $2, $4}' "$out/idle-$channel.txt")" "<= 0.1 % of a core"
done

echo
echo "===== figures"
printf '%s\n' "${figures[@]}"
