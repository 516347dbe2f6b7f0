#!/usr/bin/env bash
# Every test, native and Windows: installs what is missing, builds both trees, runs the native
# GoogleTest suite, then under Wine (project-local prefix, headless Xvfb, persistent
# wineserver) the Windows GoogleTest programs and the end-to-end tests in e2e/. Goes on past a
# failing stage and exits non-zero if any failed.
# Closes with "summary: N passed, N failed" (tests and checks; a build that fails counts as one
# failure, and so does each stage it kept from running).
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

note_stage() { # NAME RESULT [DETAIL]
  stage_lines+=("$(printf '%-24s %-8s %s' "$1" "$2" "${3:-}")")
}

# Adds the counts of a ctest run's closing line ("N% tests passed, F tests failed out of T") or
# of a plain "N passed, N failed" line to the totals; no such line counts as one failure.
count_from_log() { # LOG STATUS -> sets counted_passed counted_failed
  local log=$1 status=$2 line
  counted_passed=0
  counted_failed=0
  if line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1); then
    local f t
    f=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    counted_passed=$((t - f))
    counted_failed=$f
  elif line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -1); then
    counted_passed=$(sed -E 's/^([0-9]+) passed.*/\1/' <<<"$line")
    counted_failed=$(sed -E 's/^[0-9]+ passed, ([0-9]+) failed.*/\1/' <<<"$line")
  fi
  # A run that failed without failing a test (no tests, crash, time-out) is one failure.
  if ((status != 0 && counted_failed == 0)); then counted_failed=1; fi
}

run_stage() { # NAME LOGNAME COMMAND... : a stage whose output has test counts
  local name=$1 logname=$2 status=0
  shift 2
  local log="$log_dir/$logname.log"
  echo
  echo "===== $name"
  "$@" 2>&1 | tee "$log" || status=$?
  count_from_log "$log" "$status"
  total_passed=$((total_passed + counted_passed))
  total_failed=$((total_failed + counted_failed))
  if ((status == 0)); then
    note_stage "$name" ok "$counted_passed passed, $counted_failed failed"
  else
    note_stage "$name" FAILED "$counted_passed passed, $counted_failed failed (exit status $status; log: ${log#"$root"/})"
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
  run_stage "native tests" native-ctest \
    ctest --test-dir build/native "${ctest_opts[@]}" -j "$jobs" || true
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
  run_stage "windows tests" windows-ctest \
    ctest --test-dir build/windows "${ctest_opts[@]}" || true
  run_stage "end-to-end" e2e bash e2e/run.sh || true
else
  not_run "windows tests" "the windows build failed"
  not_run "end-to-end" "the windows build failed"
fi

echo
echo "===== summary ($((SECONDS - started)) s)"
printf '%s\n' "${stage_lines[@]}"
echo "summary: $total_passed passed, $total_failed failed"
((total_failed == 0))
