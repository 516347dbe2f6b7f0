#!/usr/bin/env bash
# A card-less payment end to end: the native local payment service and customer-display
# simulator start, the payment tool (PROGRAM, a Windows program started by ARGS before it, the
# Wine loader) runs with the scanner driver on a COM port that is a socat pty pair, and pays
# twice: 150.00 by a wallet code written to the scanner's line while the waiting dialog is on
# the screen, then 250.00 by the shop's QR code on the display, marked paid at the service as
# the customer's phone would. Keeps a screenshot of the dialog in SHOTS_DIR.
#
#   payment_tool.sh NATIVE_TREE SHOTS_DIR COM_NUMBER|keyboard -- LOADER PROGRAM
#
# With "keyboard" the scanner driver is a keyboard-wedge scanner and xdotool types the wallet
# code as a scanner's burst.
# Needs WINEPREFIX and DISPLAY of a running Wine session with the scanner driver registered.
# Prints the display's and the tool's output and PASS/FAIL lines; the exit status is 0 when
# both payments completed.
set -euo pipefail

if (($# < 5)) || [[ $4 != -- ]]; then
  echo "usage: payment_tool.sh NATIVE_TREE SHOTS_DIR COM_NUMBER|keyboard -- LOADER PROGRAM" >&2
  exit 64
fi
native=$1
shots=$2
com=$3
shift 4
SERVICE="$native/tools/payment_service/payment_service"
DISPLAY_SIM="$native/tools/display_simulator/display_simulator"
WALLET=9b2f5c1e-0d4a-4e6b-8c3f-7a1d2e3f4a5b
work=$(mktemp -d /tmp/equ-payment-tool.XXXXXX)
mkdir -p "$shots"
service_pid="" display_pid="" tool_pid="" socat_pid=""
com_link="$WINEPREFIX/dosdevices/com${com,,}"

cleanup() {
  local pid
  for pid in "$tool_pid" "$display_pid" "$service_pid" "$socat_pid"; do
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null
  done
  [[ -n "$com_link" ]] && rm -f "$com_link"
  rm -rf "$work"
  return 0
}
trap cleanup EXIT

for program in "$SERVICE" "$DISPLAY_SIM"; do
  if [[ ! -x $program ]]; then
    echo "FAIL: $program is not built (bash scripts/build.sh native)"
    exit 1
  fi
done

wait_for() { # FILE PATTERN SECONDS
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "FAIL: '$2' did not appear in $(basename "$1"):"
  tr -d '\r' <"$1"
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
"$DISPLAY_SIM" --port 0 --png-dir "$shots" >"$work/display.out" 2>&1 &
display_pid=$!
wait_for "$work/display.out" '^listening on ' 10
display_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/display.out")
echo
echo "== the local payment service at $base, the customer display on port $display_port"

if [[ $com == keyboard ]]; then
  scanner=keyboard
  com_link=""
else
  scanner="serial:$com"
  socat pty,raw,echo=0,link="$work/host" pty,raw,echo=0,link="$work/scanner" &
  socat_pid=$!
  for ((i = 0; i < 50; i++)); do
    [[ -e "$work/host" && -e "$work/scanner" ]] && break
    sleep 0.1
  done
  ln -sf "$work/host" "$com_link"
fi

tool_log="$work/tool.log"
trust="Z:${work//\//\\}\\localhost.pem"
echo
echo "== payment tool: pay 150.00 by the customer's wallet code (the scanner driver: $scanner)"
timeout -k 10 150 "$@" --service "$base" --trust "$trust" --scanner "$scanner" \
  --display "127.0.0.1:$display_port" --read-timeout 60 --invoice-timeout 60 \
  pay 150 0 pay 250 1 >"$tool_log" 2>&1 &
tool_pid=$!
wait_for "$tool_log" "waiting for the customer's wallet code" 60
sleep 2
# The dialog's 469 x 148 pixels with a margin, the shadow included. Wine centres it on the
# screen it believes in, which after a virtual desktop of another size is not the X screen's
# centre: the dialog is found among the mapped windows by its size.
dialog_window() { # prints the window's X id and its origin
  local window WIDTH HEIGHT X Y
  for window in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
    if [[ ${WIDTH:-} == 469 && ${HEIGHT:-} == 148 ]]; then
      echo "$window $X $Y"
      return 0
    fi
  done
  return 1
}
# Two pictures a second and a half apart: the countdown must have moved between them.
shot() { # NAME
  import -window root "$work/screen.png" 2>/dev/null || return 1
  local window x y screen_w screen_h
  if ! read -r window x y < <(dialog_window); then
    read -r screen_w screen_h < <(identify -format '%w %h\n' "$work/screen.png")
    x=$(((screen_w - 469) / 2)) y=$(((screen_h - 148) / 2))
  fi
  convert "$work/screen.png" -crop "477x172+$((x - 4))+$((y - 22))" +repage "$1"
}
if shot "$work/first.png" && sleep 1.5 && shot "$shots/payment_dialog.png"; then
  echo "the waiting dialog on the screen: $shots/payment_dialog.png"
  changed=$(compare -metric AE "$work/first.png" "$shots/payment_dialog.png" null: 2>&1 || true)
  if [[ ${changed%% *} =~ ^[0-9]+$ ]] && ((${changed%% *} > 0)); then
    echo "PASS: the countdown runs ($changed pixels changed in 1.5 s)"
  else
    echo "FAIL: the dialog did not change in 1.5 s ($changed)"
  fi
fi
if [[ $scanner == keyboard ]]; then
  # A low-level hook under Wine sees keys only while a Wine window has the X focus; a burst
  # typed just as the focus arrives is split, so the scanner waits a moment.
  if read -r window _ < <(dialog_window); then
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    sleep 0.5
  fi
  echo "scanner types -> $WALLET (5 ms between keys)"
  xdotool type --delay 5 "$WALLET"
  xdotool key Return
else
  echo "scanner -> $WALLET"
  printf '%s\r\n' "$WALLET" >"$work/scanner"
fi

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
echo
if [[ $status -eq 0 ]] && [[ $(tr -d '\r' <"$tool_log" | grep -c '^RRN: ch_') -eq 2 ]] &&
  tr -d '\r' <"$tool_log" | grep -q '^Операция: *Оплата картой$'; then
  echo "PASS: both payments completed, each with its receipt"
else
  echo "FAIL: the two payments did not both complete"
  exit 1
fi
