#!/usr/bin/env bash
# End-to-end timings of the railfmt tool (Release build in build-bench/):
#   1. `railfmt convert` of a ~100 MB L2000 file against its I/O floor, side
#      by side in one run: reading the input and writing as many fresh bytes
#      as the output holds (`cat IN >/dev/null; dd if=/dev/zero of=OUT`), the
#      two interleaved, RUNS runs each; the median of each, their ratio
#      (target: at most 2x on a quiet machine) and the worst run;
#   2. `railfmt batch` over 10,000 small files with 1 and 2 jobs.
#   tools/bench_cli.sh            (RUNS=7 BATCH_RUNS=3 BIG_MB=100 BENCH_DIR=/tmp/railfmt-bench-cli)
#   RAILFMT=path/to/railfmt tools/bench_cli.sh     (skip the build, use that tool)
#   SKIP_BATCH=1 tools/bench_cli.sh                (the conversion only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
RUNS=${RUNS:-7}
BATCH_RUNS=${BATCH_RUNS:-3}
BATCH_FILES=${BATCH_FILES:-10000}
BIG_MB=${BIG_MB:-100}
dir=${BENCH_DIR:-/tmp/railfmt-bench-cli}

if [ -z "${RAILFMT:-}" ]; then
  tools/setup-deps.sh build cli
  # (the benchmarks' setting is left as the folder has it: tools/bench.sh
  # builds them in the same folder)
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DRAILFMT_TESTS=OFF -DRAILFMT_CLI=ON >/dev/null
  cmake --build build-bench --target railfmt_cli -j "${JOBS:-2}" >/dev/null
  RAILFMT=$root/build-bench/railfmt
fi
tables=$root/examples/tables

mkdir -p "$dir"
echo "# $(date -u '+%Y-%m-%d %H:%M:%S UTC'), $(nproc) cores, load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# tool: $RAILFMT"

# ---- the 100 MB file (100 MiB and a few records), from the tool itself
big=$dir/big.l2000
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -lt $((BIG_MB * 1048576)) ]; then
  "$RAILFMT" sample --kind l2000 --seed 7 --size "${BIG_MB}M" -o "$big" >/dev/null
fi
echo "# input: $big, $(stat -c %s "$big") bytes"

# Wall time of one run of a command, in nanoseconds.
time_ns() {
  local t0 t1
  t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
  echo $(( t1 - t0 ))
}

size=$(stat -c %s "$big")
conv_cmd=("$RAILFMT" convert --tables "$tables" "$big" "$dir/big.fmt")
"${conv_cmd[@]}" >/dev/null   # warm-up; also tells the output's size
out_size=$(stat -c %s "$dir/big.fmt")
floor_cmd=(sh -c 'cat "$1" >/dev/null && dd if=/dev/zero of="$2" bs=1M count="$3" iflag=count_bytes status=none' \
           floor "$big" "$dir/big.floor" "$out_size")
"${floor_cmd[@]}"

echo
echo "## convert ${BIG_MB} MB against its I/O floor (read $size bytes, write $out_size bytes), $RUNS runs each, interleaved"
floors=() convs=()
for ((k = 0; k < RUNS; ++k)); do
  floors+=("$(time_ns "${floor_cmd[@]}")")
  convs+=("$(time_ns "${conv_cmd[@]}")")
done
printf '%s\n' "${floors[*]}" "${convs[*]}" | awk -v b="$size" -v o="$out_size" '
  function median(a, n,   i, j, t, s) {
    for (i = 1; i <= n; ++i) s[i] = a[i]
    for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (s[j] < s[i]) { t = s[i]; s[i] = s[j]; s[j] = t }
    return n % 2 ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
  }
  NR == 1 { n = split($0, f, " ") }
  NR == 2 { split($0, c, " ") }
  END {
    wf = 0; wc = 0; wr = 0
    for (i = 1; i <= n; ++i) {
      f[i] /= 1e9; c[i] /= 1e9
      if (f[i] > wf) wf = f[i]
      if (c[i] > wc) wc = c[i]
      if (c[i] / f[i] > wr) wr = c[i] / f[i]
    }
    printf "run     "; for (i = 1; i <= n; ++i) printf " %7d", i; printf "\n"
    printf "floor  s"; for (i = 1; i <= n; ++i) printf " %7.3f", f[i]; printf "\n"
    printf "convert "; for (i = 1; i <= n; ++i) printf " %7.3f", c[i]; printf "\n"
    printf "ratio   "; for (i = 1; i <= n; ++i) printf " %7.2f", c[i] / f[i]; printf "\n"
    mf = median(f, n); mc = median(c, n)
    printf "summary (median of %d): floor %.3f s, convert %.3f s (%.0f MB/s of raw input), ratio %.2fx (target <= 2x); worst run: floor %.3f s, convert %.3f s, ratio %.2fx\n",
           n, mf, mc, b / mc / 1e6, mc / mf, wf, wc, wr }'
rm -f "$dir/big.floor"
[ -n "${SKIP_BATCH:-}" ] && exit 0

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
    t=$(awk -v ns="$(time_ns "$RAILFMT" batch -q -j "$j" --tables "$tables" --out "$dir/out-$out_n" "$small")" 'BEGIN { printf "%.3f", ns / 1e9 }')
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
