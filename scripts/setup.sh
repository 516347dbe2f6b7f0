#!/usr/bin/env bash
# Installs the Debian packages that the builds and tests need, and nothing else: a package that
# is already installed is left alone, and when all are there the script changes nothing (no
# `apt-get update` either). Run as root on Debian 12.
set -euo pipefail

# Installed with their recommended packages (Wine's fonts among them), as measured to work.
packages=(
  cmake ninja-build g++                     # native build
  googletest libgtest-dev libgmock-dev      # unit tests (Windows build compiles /usr/src/googletest)
  libbenchmark-dev                          # benchmarks of the key-event path and the serial reader
  libxml2-dev                               # the scanner definitions XML in the native build
  g++-mingw-w64-x86-64-posix                # Windows cross build, 64-bit
  g++-mingw-w64-i686-posix                  # Windows cross build, 32-bit
  wine wine64                               # runs the Windows tests and the demo
  wine32:i386                               # runs the 32-bit module's tests (needs i386 multiarch)
  xvfb xauth                                # headless X display for Wine
  xdotool socat                             # keyboard and serial-line tests
  libcurl4-openssl-dev                      # HTTPS of the payment client in the native build
  nlohmann-json3-dev                        # JSON of the payment client (header-only, both builds)
  libcpp-httplib-dev libssl-dev openssl     # the local payment service; certificates for its tests
  libqrencode-dev                           # the customer-display simulator draws the QR codes
)
# Installed without recommended packages.
packages_lean=(
  imagemagick x11-apps                      # screenshots of the driver's windows
  clang libclang-rt-14-dev                  # libFuzzer for scripts/fuzz.sh
)

is_installed() {
  dpkg -s "$1" 2>/dev/null | grep -qx 'Status: install ok installed'
}

missing=() missing_lean=()
for p in "${packages[@]}"; do is_installed "$p" || missing+=("$p"); done
for p in "${packages_lean[@]}"; do is_installed "$p" || missing_lean+=("$p"); done

if ((${#missing[@]} == 0 && ${#missing_lean[@]} == 0)); then
  echo "setup: all packages present"
  exit 0
fi

all_missing=("${missing[@]}" "${missing_lean[@]}")
if [[ $(id -u) -ne 0 ]]; then
  echo "setup: ERROR: missing packages: ${all_missing[*]}; run as root" >&2
  exit 1
fi

echo "setup: installing: ${all_missing[*]}"
log=$(mktemp /tmp/equ-setup.XXXXXX.log)
export DEBIAN_FRONTEND=noninteractive
apt_opts=(-y -qq -o DPkg::Lock::Timeout=600 -o Dpkg::Use-Pty=0)
run() {
  if ! "$@" >>"$log" 2>&1; then
    echo "setup: ERROR: '$*' failed; its output:" >&2
    cat "$log" >&2
    exit 1
  fi
}
# 32-bit Wine comes from the i386 architecture, which a fresh amd64 system does not have yet.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  run dpkg --add-architecture i386
fi
run apt-get -qq -o DPkg::Lock::Timeout=600 update
if ((${#missing[@]})); then run apt-get install "${apt_opts[@]}" "${missing[@]}"; fi
if ((${#missing_lean[@]})); then
  run apt-get install "${apt_opts[@]}" --no-install-recommends "${missing_lean[@]}"
fi

still=()
for p in "${packages[@]}" "${packages_lean[@]}"; do is_installed "$p" || still+=("$p"); done
if ((${#still[@]})); then
  echo "setup: ERROR: still not installed: ${still[*]} (log: $log)" >&2
  exit 1
fi
rm -f "$log"
echo "setup: done"
