#!/usr/bin/env bash
# Runs the end-to-end tests of a Windows tree: the ctest tests labelled "e2e" (registered in
# e2e/CMakeLists.txt), inside a Wine session: the project's prefix, a headless X server and a
# persistent wineserver (without it every Wine program pays about half a second to start one).
#
#   bash e2e/run.sh [BUILD_DIR] [CTEST_OPTIONS...]   (default build/windows; e.g. -R scanning)
#
# Needs the tree built (scripts/build.sh windows). Each test keeps its logs in
# build/test-logs/<test>/; ctest's results go to build/test-logs/e2e.junit.xml.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"
cd "$EQU_ROOT"

tree=build/windows
if (($#)) && [[ $1 != -* ]]; then
  tree=$1
  shift
fi

wine_boot
wine_session_start
mkdir -p build/test-logs
ctest --test-dir "$tree" -L e2e --output-on-failure --no-tests=error \
  --output-junit "$EQU_ROOT/build/test-logs/e2e.junit.xml" "$@"
