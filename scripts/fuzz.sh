#!/usr/bin/env bash
# Fuzzes every input the driver takes from outside: builds the libFuzzer targets of fuzz/ with
# clang (build/fuzz: ASan + UBSan + libFuzzer, the core libraries instrumented too) and runs
# each for the given time, one after the other, from a copy of its corpus (fuzz/corpus/<target>,
# with fuzz/corpus/<target>.dict when there is one) under a memory limit, so that growth
# without bound is a finding too. Prints per target the executions, executions per second,
# coverage reached and peak memory, and any crash with its reproducer's path; exits non-zero
# when a target crashed. Not part of the test command, which replays the corpora instead.
# Usage: scripts/fuzz.sh [seconds per target] [target...]   (default: 60, every target)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build/fuzz"
work="$root/build/fuzz-runs"
rss_limit_mb=${EQU_FUZZ_RSS_MB:-1024}

if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "usage: $0 [seconds per target] [target...]" >&2
  exit 2
fi

bash "$root/scripts/setup.sh"

clangxx=$(command -v clang++ || command -v clang++-14 || true)
clangc=$(command -v clang || command -v clang-14 || true)
if [[ -z $clangxx || -z $clangc ]]; then
  echo "fuzz: clang is missing" >&2
  exit 2
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "fuzz: building the targets -> $build"
cmake -S "$root" -B "$build" -G Ninja --log-level=WARNING \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER="$clangc" -DCMAKE_CXX_COMPILER="$clangxx" \
  -DEQU_SANITIZE=ON -DEQU_LIBFUZZER=ON "${launcher[@]}"
cmake --build "$build" --target fuzz_targets -j "$(nproc)"

if (($# > 0)); then
  targets=("$@")
else
  mapfile -t targets < <(sed -n '/^set(EQU_FUZZ_TARGETS/,/^)/{/^  [a-z_]*$/p}' "$root/fuzz/CMakeLists.txt" | tr -d ' ')
fi

# The last status line of a run: "#N DONE cov: C ft: F corp: ... exec/s: E rss: R".
field() { # LINE NAME
  sed -n "s/.* $2: \([0-9]*\).*/\1/p" <<<"$1"
}

rows=()
crashed=0
for target in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$target"
  seeds="$root/fuzz/corpus/$target"
  corpus="$work/$target/corpus"
  artifacts="$work/$target/artifacts/"
  log="$work/$target/fuzz.log"
  rm -rf "$work/$target"
  mkdir -p "$corpus" "$artifacts"
  options=(-max_total_time="$seconds" -rss_limit_mb="$rss_limit_mb" -timeout=10
    -print_final_stats=1 -artifact_prefix="$artifacts")
  [[ -f "$root/fuzz/corpus/$target.dict" ]] && options+=(-dict="$root/fuzz/corpus/$target.dict")
  echo
  echo "===== fuzz_$target (${seconds} s, rss limit ${rss_limit_mb} MB)"
  status=0
  (cd "$work/$target" && "$program" "${options[@]}" "$corpus" "$seeds") >"$log" 2>&1 || status=$?
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
  cov=$(field "$last" cov)
  ft=$(field "$last" ft)
  result=ok
  if ((status != 0)); then
    crashed=1
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    result="CRASH ${reproducer:-(no reproducer; log: $log)}"
    grep -E '^==[0-9]+==ERROR|^SUMMARY|runtime error|out-of-memory|timeout' "$log" | head -n 5 || true
  fi
  echo "fuzz_$target: ${runs:-?} runs, ${speed:-?} exec/s, cov ${cov:-?}, ft ${ft:-?}, peak rss ${rss:-?} MB: $result"
  rows+=("$(printf '| %-22s | %10s | %7s | %6s | %6s | %5s | %s |' "$target" "${runs:-?}" "${speed:-?}" \
    "${cov:-?}" "${ft:-?}" "${rss:-?}" "$result")")
done

echo
echo "fuzz: ${seconds} s per target; logs and new inputs in $work/<target>/"
printf '| %-22s | %10s | %7s | %6s | %6s | %5s | %s |\n' target runs exec/s cov ft "rss MB" result
printf '| %-22s | %10s | %7s | %6s | %6s | %5s | %s |\n' --- ---: ---: ---: ---: ---: ---
printf '%s\n' "${rows[@]}"
exit "$crashed"
