#!/usr/bin/env bash
# End-to-end timings of the railfmt tool (Release build in build-bench/):
#   1. `railfmt convert` of a ~100 MB L2000 file against `cp` of the same
#      file, side by side in one run (target: convert within 6x of cp);
#   2. `railfmt batch` over 10,000 small files with 1 and 2 jobs.
# Uses hyperfine when installed (Debian: apt-get install hyperfine), else
# plain timing loops that report the best of RUNS runs.
#   tools/bench_cli.sh            (RUNS=5 BATCH_RUNS=3 BENCH_DIR=/tmp/railfmt-bench-cli)
#   RAILFMT=path/to/railfmt INPUT=path/to/railfmt_bench_input tools/bench_cli.sh
#       (skip the build, use those programs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
RUNS=${RUNS:-5}
BATCH_RUNS=${BATCH_RUNS:-3}
BATCH_FILES=${BATCH_FILES:-10000}
BIG_MB=${BIG_MB:-100}
dir=${BENCH_DIR:-/tmp/railfmt-bench-cli}

if [ -z "${RAILFMT:-}" ]; then
  tools/setup-deps.sh build bench cli
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DRAILFMT_BENCH=ON -DRAILFMT_TESTS=OFF -DRAILFMT_CLI=ON >/dev/null
  cmake --build build-bench --target railfmt_cli railfmt_bench_input -j "${JOBS:-2}" >/dev/null
  RAILFMT=$root/build-bench/railfmt
fi
# The tool's sample command stops at a million records: the large file
# comes from the benchmarks' generator front end.
INPUT=${INPUT:-$root/build-bench/bench/railfmt_bench_input}
tables=$root/examples/tables

mkdir -p "$dir"
echo "# $(date -u '+%Y-%m-%d %H:%M:%S UTC'), $(nproc) cores, load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# tool: $RAILFMT"

# ---- the 100 MB file (100 MiB and a few records)
big=$dir/big.l2000
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -lt $((BIG_MB * 1048576)) ]; then
  "$INPUT" l2000 "$BIG_MB" "$big" 7
fi
echo "# input: $big, $(stat -c %s "$big") bytes"

# Best of n runs of a command, in seconds (timing loop without hyperfine).
best_of() {
  local n=$1; shift
  local best="" t0 t1 s
  for ((k = 0; k < n; ++k)); do
    t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
    s=$(( t1 - t0 ))
    if [ -z "$best" ] || [ "$s" -lt "$best" ]; then best=$s; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

size=$(stat -c %s "$big")
cp_cmd=(cp "$big" "$dir/big.copy")
conv_cmd=("$RAILFMT" convert --tables "$tables" "$big" "$dir/big.fmt")

echo
echo "## convert ${BIG_MB} MB vs cp"
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 1 --runs "$RUNS" --export-markdown "$dir/convert.md" \
    -n cp "${cp_cmd[*]}" -n "railfmt convert" "${conv_cmd[*]}"
else
  t_cp=$(best_of "$RUNS" "${cp_cmd[@]}")
  t_conv=$(best_of "$RUNS" "${conv_cmd[@]}")
  echo "cp              best of $RUNS: ${t_cp} s"
  echo "railfmt convert best of $RUNS: ${t_conv} s"
fi
# Best of RUNS of each, interleaved, for the summary line either way.
t_cp=$(best_of "$RUNS" "${cp_cmd[@]}")
t_conv=$(best_of "$RUNS" "${conv_cmd[@]}")
awk -v c="$t_cp" -v v="$t_conv" -v b="$size" 'BEGIN {
  printf "summary (best of runs): cp %.3f s (%.0f MB/s), convert %.3f s (%.0f MB/s of raw input), ratio %.2fx (target <= 6x)\n",
         c, b / c / 1e6, v, b / v / 1e6, v / c }'
rm -f "$dir/big.copy"

# ---- 10,000 small files: 100 generated ones (the four kinds batch converts,
# 25 seeds each, 50 to 360 records) copied under numbered names into 100
# folders.
small=$dir/small
if [ ! -f "$dir/small-complete-$BATCH_FILES" ]; then
  rm -rf "$small" "$dir/base"
  mkdir -p "$small" "$dir/base"
  rm -f "$dir"/small-complete-*
  for kind in l2000 l2000-old lkj93 jk2h; do
    for seed in $(seq 1 25); do
      recs=$(( 37 + seed * 13 ))
      "$RAILFMT" sample --kind "$kind" --seed "$seed" --records "$recs" -o "$dir/base/$kind-$seed" >/dev/null
    done
  done
  mapfile -t base < <(ls "$dir/base")
  for ((i = 0; i < BATCH_FILES; ++i)); do
    sub=$small/d$(( i / 100 ))
    [ -d "$sub" ] || mkdir "$sub"
    cp "$dir/base/${base[i % ${#base[@]}]}" "$sub/f$i-${base[i % ${#base[@]}]}"
  done
  touch "$dir/small-complete-$BATCH_FILES"
fi
echo
echo "## batch over $BATCH_FILES files ($(du -sh "$small" | cut -f1) on disk)"
# Every run writes into a fresh folder, and the outputs are removed only
# after the last run: ext4 skips inodes freed in the last minutes when it
# allocates new ones, so deleting 10,000 outputs just before a run makes that
# run measure the file system's search (three to five times slower, and
# worse with two writers) instead of the tool. The two job counts alternate.
out_n=0
best1="" best2=""
for ((k = 0; k < BATCH_RUNS; ++k)); do
  for j in 1 2; do
    out_n=$((out_n + 1))
    t=$(best_of 1 "$RAILFMT" batch -q -j "$j" --tables "$tables" --out "$dir/out-$out_n" "$small")
    if [ "$j" = 1 ]; then
      if [ -z "$best1" ] || awk -v a="$t" -v b="$best1" 'BEGIN { exit !(a < b) }'; then best1=$t; fi
    else
      if [ -z "$best2" ] || awk -v a="$t" -v b="$best2" 'BEGIN { exit !(a < b) }'; then best2=$t; fi
    fi
  done
done
echo "batch -j 1 best of $BATCH_RUNS: $best1 s"
echo "batch -j 2 best of $BATCH_RUNS: $best2 s"
"$RAILFMT" batch -q -j 2 --tables "$tables" --out "$dir/out-check" "$small" | tail -3 || true
echo "# files converted: $(find "$dir/out-check" -type f | wc -l) of $BATCH_FILES; load now: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$dir"/out-*
