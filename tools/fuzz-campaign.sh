#!/usr/bin/env bash
# A long fuzzing campaign, counted in executions rather than seconds:
#   tools/fuzz-campaign.sh TARGET [TOTAL [CHUNK]]
# runs build-fuzz/fuzz/fuzz_TARGET in chunks of CHUNK executions (default
# 2,000,000) until the ledger fuzz/CAMPAIGN.tsv holds TOTAL executions
# (default 10,000,000) for it. Every finished chunk appends one line to the
# ledger (date, target, executions, coverage, features, corpus size,
# result, when the fuzzer binary was built), so an interrupted campaign
# resumes where it stopped and the totals stay honest. The corpus grows in fuzz/corpus-work/fuzz_TARGET (not
# committed). A chunk that finds a problem stops the campaign: copy the
# artefact from fuzz/corpus-work/ to fuzz/regress/fuzz_TARGET, fix, and rerun.
#
# Campaign settings, chosen for executions per second (the CI run keeps
# libFuzzer's defaults): -entropic=0 (the entropic scheduler's feature
# bookkeeping took 40% of the time of the engine target), and ASan without
# the 0xbe fill of every allocation. The hang limit is 60 s so that a
# campaign paused for a while (kill -STOP, to take quiet measurements) does
# not report its current input as a hang.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:?usage: tools/fuzz-campaign.sh TARGET [TOTAL [CHUNK]]}"
total="${2:-10000000}"
chunk="${3:-2000000}"
bin="build-fuzz/fuzz/fuzz_$target"
ledger="fuzz/CAMPAIGN.tsv"
[ -x "$bin" ] || { echo "fuzz-campaign: $bin not built (make fuzz FUZZ_SECONDS=0)" >&2; exit 2; }
[ -f "$ledger" ] || printf 'date\ttarget\texecutions\tcov\tft\tcorpus\tresult\tbinary built\n' > "$ledger"

done_so_far() {
  awk -F'\t' -v t="$target" '$2 == t && $7 ~ /^ok/ { s += $3 } END { print s + 0 }' "$ledger"
}

work="fuzz/corpus-work/fuzz_$target"
mkdir -p "$work" "fuzz/seeds/fuzz_$target" "fuzz/regress/fuzz_$target"
export ASAN_OPTIONS="${ASAN_OPTIONS:-max_malloc_fill_size=0}"
while :; do
  have=$(done_so_far)
  [ "$have" -ge "$total" ] && { echo "$target: $have executions in the ledger"; exit 0; }
  runs=$(( total - have < chunk ? total - have : chunk ))
  log="$work.chunk.$$.log"  # per campaign: two may run side by side on one target
  result=ok
  if ! "$bin" -runs="$runs" -entropic=0 -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "fuzz/seeds/fuzz_$target" "fuzz/regress/fuzz_$target" \
        > "$log" 2>&1; then
    result=FOUND
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" "${execs:-0}" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result" "$(date -u -r "$bin" +%FT%TZ)" >> "$ledger"
  if [ "$result" != ok ]; then
    echo "$target: found a problem, see $log" >&2; tail -40 "$log" >&2; exit 1
  fi
  echo "$target: +${execs:-0} (cov ${cov:-?}), $(done_so_far) of $total"
done
