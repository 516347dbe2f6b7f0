#!/usr/bin/env bash
# Runs the Windows build's payment-client tests under Wine against the native local payment
# service: makes a certificate for localhost, starts the service on a free port, runs the test
# program (which trusts the certificate in the prefix's root store) and stops the service.
# The native display simulator listens beside it, and a headless X screen shows the waiting
# dialog.
# Usage: run_payment_check.sh NATIVE_PAYMENT_SERVICE NATIVE_DISPLAY_SIMULATOR TEST_EXE
#        [gtest options...]
set -euo pipefail

service=$1
display=$2
test_exe=$3
shift 3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

if [[ ! -x "$service" ]]; then
  echo "payment check: ERROR: no native payment service at $service" \
    "(build the native tree first: bash scripts/build.sh native)" >&2
  exit 1
fi

# shellcheck source=../../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"

work=$(mktemp -d /tmp/equ-win-payment.XXXXXX)
service_pid=
display_pid=
stop_service() {
  for pid in "$service_pid" "$display_pid"; do
    if [[ -n "$pid" ]]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
equ_cleanup_hooks+=(stop_service)

wine_boot
xvfb_start
wine_server_start

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/localhost.key" -out "$work/localhost.pem" 2>"$work/openssl.log" || {
  echo "payment check: ERROR: openssl could not make the certificate:" >&2
  cat "$work/openssl.log" >&2
  exit 1
}

"$service" --port 0 --cert "$work/localhost.pem" --key "$work/localhost.key" \
  >"$work/address" 2>"$work/service.log" &
service_pid=$!
for ((i = 0; i < 100; i++)); do
  [[ -s "$work/address" ]] && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
base=$(head -1 "$work/address" 2>/dev/null || true)
if [[ "$base" != https://localhost:* ]]; then
  echo "payment check: ERROR: the payment service did not start; its log:" >&2
  cat "$work/service.log" >&2
  exit 1
fi
echo "payment check: service at $base (LANG=${LANG:-unset})"

if [[ ! -x "$display" ]]; then
  echo "payment check: ERROR: no native display simulator at $display" >&2
  exit 1
fi
"$display" --port 0 --no-blocks >"$work/display.out" 2>"$work/display.log" &
display_pid=$!
for ((i = 0; i < 100; i++)); do
  grep -q '^listening on ' "$work/display.out" 2>/dev/null && break
  kill -0 "$display_pid" 2>/dev/null || break
  sleep 0.1
done
display_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/display.out")
if [[ -z "$display_port" ]]; then
  echo "payment check: ERROR: the display simulator did not start; its log:" >&2
  cat "$work/display.log" >&2
  exit 1
fi
echo "payment check: display simulator on port $display_port"

export EQU_PAYMENT_SERVICE="$base"
export EQU_DISPLAY_PORT="$display_port"
export EQU_DISPLAY_OUTPUT="Z:${work//\//\\}\\display.out"
export EQU_PAYMENT_CERT="Z:${work//\//\\}\\localhost.pem"
wine_run "$test_exe" "$@"
