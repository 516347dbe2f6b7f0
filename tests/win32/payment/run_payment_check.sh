#!/usr/bin/env bash
# Runs the Windows build's payment-client tests under Wine against the native local payment
# service: makes a certificate for localhost, starts the service on a free port, runs the test
# program (which trusts the certificate in the prefix's root store) and stops the service.
# Usage: run_payment_check.sh NATIVE_PAYMENT_SERVICE TEST_EXE [gtest options...]
set -euo pipefail

service=$1
test_exe=$2
shift 2
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
stop_service() {
  if [[ -n "$service_pid" ]]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
equ_cleanup_hooks+=(stop_service)

wine_boot
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

export EQU_PAYMENT_SERVICE="$base"
export EQU_PAYMENT_CERT="Z:${work//\//\\}\\localhost.pem"
wine_run "$test_exe" "$@"
