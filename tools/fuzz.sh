#!/usr/bin/env bash
# Runs every libFuzzer target for FUZZ_SECONDS seconds on its seed corpus
# (fuzz/seeds/<target>) plus the regression inputs (fuzz/regress/<target>).
# New corpus entries go to fuzz/corpus-work/<target> (not committed);
# crashes are written there too: copy them to fuzz/regress/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${FUZZ_SECONDS:-30}"
status=0
for bin in build-fuzz/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name="$(basename "$bin")"
  work="fuzz/corpus-work/$name"
  mkdir -p "$work" "fuzz/seeds/$name" "fuzz/regress/$name"
  echo "== $name (${secs}s)"
  if ! "$bin" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "fuzz/seeds/$name" "fuzz/regress/$name" \
        > "$work.log" 2>&1; then
    echo "!! $name found a problem: see $work.log"; tail -30 "$work.log"; status=1
  fi
  grep -E "stat::number_of_executed_units|cov:" "$work.log" | tail -2 || true
done
exit $status
