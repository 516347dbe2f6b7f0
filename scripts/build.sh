#!/usr/bin/env bash
# Configures and builds the native tree (build/native: Debug, ASan+UBSan, warnings as errors)
# and/or the Windows trees (MinGW-w64 cross builds, Release, warnings as errors): build/windows
# for x86_64 and build/windows32 for i686.
# Usage: scripts/build.sh [native|windows|windows32|all]   (default: all)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-all}
jobs=$(nproc)

# With ccache installed, compilations are shared between clones and work trees of the project:
# paths under the tree are hashed relative to it, so another checkout of the same sources hits.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

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
    -DCMAKE_BUILD_TYPE=Debug -DEQU_SANITIZE=ON -DEQU_WERROR=ON "${launcher[@]}"
  cmake --build "$dir" -j "$jobs"
}

build_windows() { # TREE ARCH
  local dir="$root/build/$1"
  echo "build: $1 -> $dir"
  ensure_ninja_tree "$dir"
  cmake -S "$root" -B "$dir" -G Ninja --log-level=WARNING \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DEQU_WERROR=ON "${launcher[@]}"
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  native) build_native ;;
  windows) build_windows windows x86_64 ;;
  windows32) build_windows windows32 i686 ;;
  all) build_native && build_windows windows x86_64 && build_windows windows32 i686 ;;
  *)
    echo "usage: $0 [native|windows|windows32|all]" >&2
    exit 2
    ;;
esac
