#!/usr/bin/env bash
# Every test, native and Windows: installs what is missing, builds both trees, runs the native
# GoogleTest suite, then under Wine (project-local prefix, headless Xvfb, persistent
# wineserver) the Windows GoogleTest programs and the end-to-end tests (the ctest tests
# labelled "e2e", see e2e/CMakeLists.txt). Goes on past a failing stage and exits non-zero if
# any failed.
#
# Every stage is a ctest run whose results are read from its JUnit file
# (build/test-logs/<stage>.junit.xml). The summary lists each end-to-end test by name, a failed
# one with its log (build/test-logs/<test>/output.log), and closes with
# "summary: N passed, N failed" (ctest tests; a build that fails counts as one failure, and so
# does each stage it kept from running, and a ctest run that left no results).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc)
started=$SECONDS

bash scripts/setup.sh

# shellcheck source=SCRIPTDIR/wine-env.sh
source scripts/wine-env.sh

log_dir="$root/build/test-logs"
mkdir -p "$log_dir"

total_passed=0
total_failed=0
stage_lines=()
e2e_lines=()

note_stage() { # NAME RESULT [DETAIL]
  stage_lines+=("$(printf '%-24s %-8s %s' "$1" "$2" "${3:-}")")
}

# The tests of a ctest JUnit file, one "NAME STATUS" line each. STATUS: run (passed), skipped
# (the test skipped itself, which ctest counts as passed), disabled, fail, or notrun (kept from
# running, as by a failed fixture, which ctest counts as failed).
junit_results() { # FILE
  awk '
    function flush() { if (name != "") print name, status; name = "" }
    /<testcase / {
      flush()
      name = $0; sub(/.*<testcase name="/, "", name); sub(/".*/, "", name)
      status = $0; sub(/.* status="/, "", status); sub(/".*/, "", status)
    }
    /<skipped message="SKIP_/ { if (status == "notrun") status = "skipped" }
    END { flush() }
  ' "$1"
}

# ctest_stage NAME LOGNAME CTEST_ARGS...: one ctest run, counted from its JUnit file.
ctest_stage() {
  local name=$1 logname=$2 status=0
  shift 2
  local log="$log_dir/$logname.log" junit="$log_dir/$logname.junit.xml"
  echo
  echo "===== $name"
  rm -f "$junit"
  ctest "${ctest_opts[@]}" --output-junit "$junit" "$@" 2>&1 | tee "$log" || status=$?
  local passed=0 failed=0 test result
  if [[ -s $junit ]]; then
    while read -r test result; do
      case $result in
        run | skipped) passed=$((passed + 1)) ;;
        disabled) ;;
        *) failed=$((failed + 1)) ;;
      esac
      if [[ $logname == e2e* ]]; then
        local shown=$test test_log="build/test-logs/$test/output.log"
        if [[ $logname == e2e32 ]]; then
          shown="$test (32-bit)" test_log="build/test-logs/win32/$test/output.log"
        fi
        if [[ $result == run || $result == skipped ]]; then
          e2e_lines+=("$(printf '  %-8s %s' "${result/run/ok}" "$shown")")
        else
          e2e_lines+=("$(printf '  %-8s %s  (log: %s)' "${result^^}" "$shown" "$test_log")")
        fi
      fi
    done < <(junit_results "$junit")
  fi
  # A run that failed without failing a test (no tests, no results, a crash) is one failure.
  if ((status != 0 && failed == 0)); then failed=1; fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  if ((status == 0)); then
    note_stage "$name" ok "$passed passed, $failed failed"
  else
    note_stage "$name" FAILED "$passed passed, $failed failed (exit status $status; log: ${log#"$root"/})"
  fi
  return "$status"
}

build_stage() { # NAME TREE
  local name=$1 tree=$2 status=0
  echo
  echo "===== $name"
  bash scripts/build.sh "$tree" || status=$?
  if ((status == 0)); then
    note_stage "$name" ok
  else
    total_failed=$((total_failed + 1))
    note_stage "$name" FAILED "exit status $status"
  fi
  return "$status"
}

not_run() { # NAME REASON
  total_failed=$((total_failed + 1))
  note_stage "$1" "NOT RUN" "$2"
}

ctest_opts=(--output-on-failure --no-tests=error --timeout 300)

# --- native ----------------------------------------------------------------------------------
if build_stage "native build" native; then
  ctest_stage "native tests" native-ctest --test-dir build/native -j "$jobs" || true
else
  not_run "native tests" "the native build failed"
fi

# --- Windows, under Wine ---------------------------------------------------------------------
if build_stage "windows build" windows; then
  echo
  echo "===== wine prefix and session"
  wine_boot
  wine_session_start
  echo "wine: prefix $WINEPREFIX, display $DISPLAY, wineserver persistent"
  ctest_stage "windows tests" windows-ctest --test-dir build/windows -LE e2e || true
  ctest_stage "end-to-end" e2e --test-dir build/windows -L e2e || true
else
  not_run "windows tests" "the windows build failed"
  not_run "end-to-end" "the windows build failed"
fi

# --- Windows 32-bit, under 32-bit Wine: the tests labelled both_bitnesses ---------------------
# They run after the 64-bit ones, whose registration and test host the checks across
# bitnesses use.
if build_stage "windows32 build" windows32; then
  if wine_is_booted && [[ -n "${EQU_WINESERVER_PREFIX:-}" ]]; then
    ctest_stage "windows 32-bit tests" e2e32 --test-dir build/windows32 -L both_bitnesses || true
  else
    not_run "windows 32-bit tests" "no Wine session (the windows build failed)"
  fi
else
  not_run "windows 32-bit tests" "the windows32 build failed"
fi

echo
echo "===== summary ($((SECONDS - started)) s)"
printf '%s\n' "${stage_lines[@]}"
if ((${#e2e_lines[@]})); then
  echo "end-to-end tests:"
  printf '%s\n' "${e2e_lines[@]}"
fi
echo "summary: $total_passed passed, $total_failed failed"
((total_failed == 0))
