#!/usr/bin/env bash
# The whole CI on a clean clone, in order:
#   1. make test        release build, unit tests and replays of the fuzz corpora
#   2. make test-asan   the same suite under AddressSanitizer + UBSan
#   3. make test-windows the Windows DLLs (MinGW-w64) and the Windows host
#                       under Wine, byte for byte against the Linux build
#   4. make fuzz        every libFuzzer target for FUZZ_SECONDS (default 30)
#                       on its seed corpus and its regression inputs
# and prints the lines of tests against the lines of code (tools/count_lines.py).
# Every step runs even when an earlier one failed; the summary lists each
# step's result and time, and the script fails when any step failed.
# CI_BUDGET (seconds, default 1200) bounds the whole run: when the builds and
# tests leave too little time for the fuzzing, the time per target is cut
# (never below 5 s) and the summary says so. Nothing is skipped.
set -uo pipefail
cd "$(dirname "$0")/.."

budget="${CI_BUDGET:-1200}"
fuzz_seconds="${FUZZ_SECONDS:-30}"
start="${CI_START:-$(date +%s)}"
summary=()
failed=0

# A compiler cache, when the machine has one, makes repeated runs cheap.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  # Paths inside the checkout count relative to it, so another clone hits too.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

step() {
  local name="$1"; shift
  local t0=$(date +%s)
  echo "==== ci: $name"
  if "$@"; then
    summary+=("$(printf '%-10s ok     %4ds' "$name" $(( $(date +%s) - t0 )))")
  else
    summary+=("$(printf '%-10s FAILED %4ds' "$name" $(( $(date +%s) - t0 )))")
    failed=1
  fi
}

# .ci/run has run `make test` itself before calling this script.
if [ -n "${CI_TEST_DONE:-}" ]; then
  summary+=("$(printf '%-10s ok     (run by .ci/run)' test)")
else
  step test make test
fi
step test-asan make test-asan
step windows make test-windows

# The fuzzing gets what is left of the budget, minus the fuzz build (~6 min
# on two cores).
targets=$(ls fuzz/fuzz_*.cpp | wc -l)
left=$(( budget - ($(date +%s) - start) - 360 ))
if [ "$targets" -gt 0 ] && [ $(( left / targets )) -lt "$fuzz_seconds" ]; then
  cut=$(( left / targets ))
  [ "$cut" -lt 5 ] && cut=5
  summary+=("fuzz time cut from ${fuzz_seconds}s to ${cut}s per target to stay within ${budget}s")
  echo "ci: fuzz time cut from ${fuzz_seconds}s to ${cut}s per target (budget ${budget}s)"
  fuzz_seconds=$cut
fi
step fuzz make fuzz FUZZ_SECONDS="$fuzz_seconds"

echo "==== ci: test lines against code lines"
python3 tools/count_lines.py

echo "==== ci summary (total $(( $(date +%s) - start ))s, budget ${budget}s)"
printf '%s\n' "${summary[@]}"
exit $failed
