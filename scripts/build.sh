#!/usr/bin/env bash
# Configures and builds the native tree (build/native: Debug, ASan+UBSan, warnings as errors)
# and/or the Windows tree (build/windows: MinGW-w64 cross build, Release, warnings as errors).
# Usage: scripts/build.sh [native|windows|all]   (default: all)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-all}
jobs=$(nproc)

# A tree configured with another generator cannot be reconfigured with Ninja: start it anew.
ensure_ninja_tree() {
  local dir=$1
  if [[ -f "$dir/CMakeCache.txt" ]] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    echo "build: $dir was configured with another generator; removing it"
    rm -rf "$dir"
  fi
}

build_native() {
  local dir="$root/build/native"
  echo "build: native -> $dir"
  ensure_ninja_tree "$dir"
  cmake -S "$root" -B "$dir" -G Ninja --log-level=WARNING \
    -DCMAKE_BUILD_TYPE=Debug -DEQU_SANITIZE=ON -DEQU_WERROR=ON
  cmake --build "$dir" -j "$jobs"
}

build_windows() {
  local dir="$root/build/windows"
  echo "build: windows -> $dir"
  ensure_ninja_tree "$dir"
  cmake -S "$root" -B "$dir" -G Ninja --log-level=WARNING \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DEQU_WERROR=ON
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  native) build_native ;;
  windows) build_windows ;;
  all) build_native && build_windows ;;
  *)
    echo "usage: $0 [native|windows|all]" >&2
    exit 2
    ;;
esac
