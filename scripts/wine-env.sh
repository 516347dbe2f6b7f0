# shellcheck shell=bash
# Sourced by the project's scripts: the environment of the project-local Wine prefix and the
# helpers around it. All Wine state stays under build/ (the wineserver's socket lives in /tmp, as
# always with Wine).
#
#   wine_boot            create and boot the prefix once (wineboot -i), only if not yet booted
#   xvfb_start/_stop     a private headless X server (Xvfb on a free display); exports DISPLAY
#   wine_server_start    keep `wineserver -p` running until wine_server_stop (`wineserver -k`)
#   wine_server_stop
#   wine_session_start   xvfb_start + wine_server_start (the order they must be in)
#   with_xvfb CMD...     run one command with a headless X server (reuses a running one)
#   wine_run ARGS...     a 64-bit program under Wine with a time limit (EQU_WINE_TIMEOUT seconds,
#                        default 120): ARGS as for `wine`
#   wine32_run ARGS...   the same with the 32-bit loader (needs Debian's 32-bit Wine)
#   wine_has_32bit       whether 32-bit Wine is installed
#
# Loaders: once Debian's 32-bit Wine (wine32:i386) is installed, plain `wine` is the 32-bit
# loader, which runs `cscript` and `regsvr32` as the 32-bit programs; so every 64-bit program is
# started with the 64-bit loader by its path, and the 32-bit one is asked for by name. A prefix
# booted before 32-bit Wine came (or went) lacks (or has) the 32-bit half of the system: it is
# booted anew.
#
# Run as a script, `bash scripts/wine-env.sh boot` boots the prefix (the end-to-end tests'
# fixture does that).
#
# Whatever xvfb_start and wine_server_start started is stopped by an EXIT trap, also on errors
# and on Ctrl-C. The trap is this file's; a script that sources it must not set its own EXIT
# trap (add to equ_cleanup_hooks instead).

EQU_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export EQU_ROOT
export WINEPREFIX="$EQU_ROOT/build/wine-prefix"
export WINEARCH=win64
export EQU_WINE64=/usr/lib/wine/wine64
export EQU_WINE32=/usr/lib/wine/wine
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs; no menu entries or file associations written to $HOME.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

_equ_own_xvfb=0
_equ_own_wineserver=0
equ_cleanup_hooks=()

equ_cleanup() {
  local status=$?
  local hook
  for hook in "${equ_cleanup_hooks[@]}"; do "$hook" || true; done
  wine_server_stop || true
  xvfb_stop || true
  return "$status"
}

_equ_trap_installed=0
_equ_install_trap() {
  if ((_equ_trap_installed == 0)); then
    trap equ_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    _equ_trap_installed=1
  fi
}

wine_run() {
  timeout -k 10 "${EQU_WINE_TIMEOUT:-120}" "$EQU_WINE64" "$@"
}

wine_has_32bit() {
  [[ -x "$EQU_WINE32" ]]
}

wine32_run() {
  if ! wine_has_32bit; then
    echo "wine: ERROR: 32-bit Wine is not installed (bash scripts/setup.sh installs it)" >&2
    return 127
  fi
  timeout -k 10 "${EQU_WINE_TIMEOUT:-120}" "$EQU_WINE32" "$@"
}

# What the prefix must be booted for: the bitnesses this machine's Wine runs.
_equ_prefix_kind() {
  if wine_has_32bit; then echo "bitnesses=64+32"; else echo "bitnesses=64"; fi
}

wine_is_booted() {
  [[ -f "$WINEPREFIX/.equ-booted" && -f "$WINEPREFIX/system.reg" ]] &&
    grep -qx "$(_equ_prefix_kind)" "$WINEPREFIX/.equ-booted"
}

wine_boot() {
  if wine_is_booted; then
    return 0
  fi
  if [[ -e "$WINEPREFIX" ]]; then
    # A boot that did not finish, or one for other bitnesses: start over. Only ever the
    # project's own prefix, and never under a running server of it.
    [[ "$WINEPREFIX" == "$EQU_ROOT/build/wine-prefix" ]] || return 1
    echo "wine: removing prefix $WINEPREFIX (unfinished, or not made for $(_equ_prefix_kind))"
    timeout 30 wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$EQU_ROOT/build"
  echo "wine: booting prefix $WINEPREFIX"
  local log="$EQU_ROOT/build/wineboot.log"
  # Without a display: nothing of the boot stays tied to an X server.
  if ! env -u DISPLAY timeout -k 10 300 "$EQU_WINE64" wineboot -i >"$log" 2>&1; then
    echo "wine: ERROR: wineboot -i failed; its output:" >&2
    cat "$log" >&2
    return 1
  fi
  if ((_equ_own_wineserver == 0)) && [[ "${EQU_WINESERVER_PREFIX:-}" != "$WINEPREFIX" ]]; then
    # Let the server that the boot started write the registry out and exit.
    timeout 60 wineserver -w || true
  fi
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "wine: ERROR: the prefix has no system.reg after wineboot" >&2
    return 1
  fi
  {
    date -u +%FT%TZ
    _equ_prefix_kind
  } >"$WINEPREFIX/.equ-booted"
}

xvfb_start() {
  if [[ -n "${EQU_XVFB_PID:-}" ]] && kill -0 "$EQU_XVFB_PID" 2>/dev/null; then
    return 0 # one is running already (ours, or the calling script's)
  fi
  _equ_install_trap
  mkdir -p "$EQU_ROOT/build"
  local fdfile="$EQU_ROOT/build/xvfb.display" i
  : >"$fdfile"
  # -displayfd: the server picks a free display and writes its number when it is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$fdfile" >"$EQU_ROOT/build/xvfb.log" 2>&1 &
  EQU_XVFB_PID=$!
  _equ_own_xvfb=1
  for ((i = 0; i < 100; i++)); do
    [[ -s "$fdfile" ]] && break
    if ! kill -0 "$EQU_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if [[ ! -s "$fdfile" ]]; then
    echo "wine: ERROR: Xvfb did not start; its output:" >&2
    cat "$EQU_ROOT/build/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(tr -dc 0-9 <"$fdfile")"
  export DISPLAY EQU_XVFB_PID
}

xvfb_stop() {
  if ((_equ_own_xvfb)) && [[ -n "${EQU_XVFB_PID:-}" ]]; then
    kill "$EQU_XVFB_PID" 2>/dev/null || true
    wait "$EQU_XVFB_PID" 2>/dev/null || true
    _equ_own_xvfb=0
    unset EQU_XVFB_PID DISPLAY
  fi
}

wine_server_start() {
  _equ_install_trap
  local i
  for ((i = 0; i < 3; i++)); do
    if wineserver -p 2>/dev/null; then
      _equ_own_wineserver=1
      export EQU_WINESERVER_PREFIX="$WINEPREFIX"
      # The first program of a session starts the prefix's services (about a second, more
      # under load): pay that here rather than in a test's time limit.
      wine_run cmd /c exit 0 >/dev/null 2>&1 || true
      return 0
    fi
    # The calling script keeps one running: use it.
    [[ "${EQU_WINESERVER_PREFIX:-}" == "$WINEPREFIX" ]] && return 0
    # A server runs already. One left by an earlier program exits by itself within seconds;
    # a persistent one (the calling script's) does not, and is used as it is.
    timeout 10 wineserver -w || return 0
  done
  return 0
}

wine_server_stop() {
  if ((_equ_own_wineserver)); then
    wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
    _equ_own_wineserver=0
    unset EQU_WINESERVER_PREFIX
  fi
}

wine_session_start() {
  xvfb_start
  wine_server_start
}

with_xvfb() {
  local own=0 status=0
  if [[ -z "${EQU_XVFB_PID:-}" ]] || ! kill -0 "$EQU_XVFB_PID" 2>/dev/null; then
    xvfb_start
    own=1
  fi
  "$@" || status=$?
  if ((own)); then xvfb_stop; fi
  return "$status"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  case "${1:-}" in
    boot) wine_boot ;;
    *)
      echo "usage: bash scripts/wine-env.sh boot   (or source it)" >&2
      exit 64
      ;;
  esac
fi
