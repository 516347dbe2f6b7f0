# shellcheck shell=bash
# The payment part of scripts/demo.sh (sourced by it after the module is registered and the
# Wine session runs; uses its pty helpers and cleanup hooks).
TOOL="$root/build/windows/tools/payment_tool.exe"
SERVICE="$root/build/native/tools/payment_service/payment_service"
DISPLAY_SIM="$root/build/native/tools/display_simulator/display_simulator"
WALLET=9b2f5c1e-0d4a-4e6b-8c3f-7a1d2e3f4a5b
work="$root/build/demo-payment"
rm -rf "$work"
mkdir -p "$work" "$root/build/screenshots"
service_pid="" display_pid="" tool_pid=""

payment_cleanup() {
  local pid
  for pid in "$tool_pid" "$display_pid" "$service_pid"; do
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
  done
  return 0
}
equ_cleanup_hooks+=(payment_cleanup)

wait_for() { # FILE PATTERN SECONDS
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "demo: ERROR: '$2' did not appear in $1:" >&2
  tr -d '\r' <"$1" >&2
  return 1
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 \
  -keyout "$work/localhost.key" -out "$work/localhost.pem" 2>"$work/openssl.log"
"$SERVICE" --port 0 --cert "$work/localhost.pem" --key "$work/localhost.key" \
  >"$work/service.out" 2>"$work/service.log" &
service_pid=$!
wait_for "$work/service.out" '^https://localhost:' 10
base=$(head -1 "$work/service.out")
"$DISPLAY_SIM" --port 0 --png-dir "$work" >"$work/display.out" 2>&1 &
display_pid=$!
wait_for "$work/display.out" '^listening on ' 10
display_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/display.out")
echo
echo "== the local payment service at $base, the customer display on port $display_port"

mkdir -p "$pty_dir"
rm -f "$pty_dir/host" "$pty_dir/scanner"
socat pty,raw,echo=0,link="$pty_dir/host" pty,raw,echo=0,link="$pty_dir/scanner" &
socat_pid=$!
for ((i = 0; i < 50; i++)); do
  [[ -e "$pty_dir/host" && -e "$pty_dir/scanner" ]] && break
  sleep 0.1
done
ln -sf "$pty_dir/host" "$WINEPREFIX/dosdevices/com5"

tool_log="$work/tool.log"
trust="Z:${work//\//\\}\\localhost.pem"
echo
echo "== payment tool: pay 150.00 by the customer's wallet code (the scanner driver on COM5)"
wine_run "$TOOL" --service "$base" --trust "$trust" --scanner serial:5 \
  --display "127.0.0.1:$display_port" --read-timeout 60 --invoice-timeout 60 \
  pay 150 0 pay 250 1 >"$tool_log" 2>&1 &
tool_pid=$!
wait_for "$tool_log" "waiting for the customer's wallet code" 60
sleep 2
# The dialog is centred on the screen: its 469 x 148 pixels with a margin, the shadow included.
if import -window root "$work/screen.png" 2>/dev/null; then
  read -r screen_w screen_h < <(identify -format '%w %h\n' "$work/screen.png")
  convert "$work/screen.png" -crop "477x172+$(((screen_w - 469) / 2 - 4))+$(((screen_h - 148) / 2 - 22))" \
    +repage "$root/build/screenshots/payment_dialog.png"
  echo "the waiting dialog on the screen: build/screenshots/payment_dialog.png"
fi
echo "scanner -> $WALLET"
printf '%s\r\n' "$WALLET" >"$pty_dir/scanner"

echo
echo "== pay 250.00 by the shop's QR code on the customer display"
wait_for "$work/display.out" '^qr_data: ' 60
invoice=$(sed -n 's/^qr_data: //p' "$work/display.out" | tail -1)
sleep 2
echo "the customer pays invoice $invoice from the phone"
curl -sk -X POST -H "Content-Type: application/json" -d "" \
  "${base}_control/invoices/$invoice/paid" >/dev/null
wait "$tool_pid" && status=0 || status=$?
tool_pid=""

echo
echo "== the customer display"
sed -n '/^message /,$p' "$work/display.out" | grep -v '^[ ▀▄█]*$' || true
echo
echo "== what the payment tool printed"
tr -d '\r' <"$tool_log" | grep -v '^[0-9a-f]*:\(fixme\|err\|warn\)' || true
if [[ $status -ne 0 ]] || [[ $(tr -d '\r' <"$tool_log" | grep -c '^RRN: ch_') -ne 2 ]]; then
  echo "demo: ERROR: the two payments did not both complete" >&2
  exit 1
fi
exit 0
