#!/usr/bin/env bash
# The release package: builds both Windows modules (x86_64 and i686) and writes
# dist/s_morvanelv41-<file version>.zip:
#   x64/  s_morvanelv41.dll, test_host.exe      (64-bit)
#   x86/  s_morvanelv41.dll, test_host.exe      (32-bit)
#   install.cmd, uninstall.cmd                  registration of both bitnesses (OEM 866, CRLF)
#   README.md, docs/                            the documentation for integrators
#   THIRD-PARTY-NOTICES.txt                     the components compiled into the modules
#   SHA256SUMS                                  checksums of every other file
# Usage: scripts/package.sh [--no-build]   (--no-build: package the trees as they are built)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
if [[ ${1:-} != --no-build ]]; then
  bash scripts/setup.sh
  bash scripts/build.sh windows
  bash scripts/build.sh windows32
fi

version=$(sed -n 's/^project(s_morvanelv41 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "package: ERROR: no version in CMakeLists.txt" >&2; exit 1; }
name="s_morvanelv41-$version"
stage="$root/build/package/$name"
rm -rf "$root/build/package"
mkdir -p "$stage/x64" "$stage/x86" "$stage/docs" "$root/dist"

copy_tree_files() { # TREE FOLDER
  local file
  for file in "$root/build/$1/scanner/s_morvanelv41.dll" "$root/build/$1/tools/test_host.exe"; do
    [[ -f $file ]] || { echo "package: ERROR: $file is not built" >&2; exit 1; }
    cp "$file" "$stage/$2/"
  done
}
copy_tree_files windows x64
copy_tree_files windows32 x86

# cmd reads and prints a batch file in the OEM code page; its lines end in CR LF.
for script in install.cmd uninstall.cmd; do
  iconv -f UTF-8 -t CP866 "packaging/$script" | sed 's/$/\r/' >"$stage/$script"
done

cp README.md "$stage/"
if [[ -d docs ]]; then
  find docs -maxdepth 1 -name '*.md' -exec cp {} "$stage/docs/" \;
  [[ -d docs/screenshots ]] && cp -r docs/screenshots "$stage/docs/"
fi

notices() { # TITLE COPYRIGHT_FILE
  printf '%s\n%s\n\n' "$1" "$(printf '=%.0s' {1..78})"
  cat "$2"
  printf '\n\n'
}
{
  echo "s_morvanelv41.dll $version: third-party components compiled into the modules"
  echo
  echo "The modules are linked statically: they carry parts of these components, whose terms"
  echo "follow as Debian, from whose packages the modules are built, states them."
  echo
  notices "nlohmann/json (JSON of the payment-service client)" \
    /usr/share/doc/nlohmann-json3-dev/copyright
  notices "MinGW-w64 runtime and winpthreads (C runtime start-up, threads)" \
    /usr/share/doc/mingw-w64-x86-64-dev/copyright
  notices "GCC runtime libraries: libstdc++, libgcc (under the GCC Runtime Library Exception)" \
    /usr/share/doc/gcc-mingw-w64-base/copyright
} >"$stage/THIRD-PARTY-NOTICES.txt"

(cd "$stage" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
  xargs -d '\n' sha256sum >SHA256SUMS)

zip_file="$root/dist/$name.zip"
rm -f "$zip_file"
(cd "$root/build/package" && cmake -E tar cf "$zip_file" --format=zip "$name")
echo "package: $zip_file"
(cd "$root/build/package" && find "$name" -type f | LC_ALL=C sort | sed 's/^/  /')
