#!/usr/bin/env bash
# Times what analysts use on a day's run (200,000 event records): railfmt view,
# the page in headless Chromium (overview and zoom redraws, as the page itself
# measures them), and the Python readers records() and dataframe().
# Goals (bench/analysts.md): view under 2 s, overview redraw under 250 ms,
# zoomed redraw under 50 ms, records() under 0.5 s, dataframe() under 5 s.
#   tools/bench_analysts.sh            (after make build)
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/railfmt
lib=build/librailfmt.so
[ -x "$cli" ] && [ -e "$lib" ] || { echo "bench_analysts: run make build first" >&2; exit 2; }
work=$(mktemp -d /tmp/railfmt-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

"$cli" sample -o "$work/day.bin" --records 200000 --seed 11 >/dev/null
"$cli" convert "$work/day.bin" "$work/day.binF" >/dev/null
start=$(date +%s.%N)
"$cli" view "$work/day.binF" -o "$work/day.html"
end=$(date +%s.%N)
awk -v a="$start" -v b="$end" 'BEGIN { printf "view: %.2f s\n", b - a }'

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/profile" \
  --dump-dom "file://$work/day.html#selftest" 2>/dev/null |
  grep -o '<pre id="report"[^<]*' | sed 's/.*>/page: /'

/usr/bin/python3 -m venv --system-site-packages "$work/v"
RAILFMT_PREBUILT_LIBRARY=$(readlink -f "$lib") "$work/v/bin/pip" install -q --no-build-isolation --no-index \
  "./python[pandas]"
(cd "$work" && v/bin/python - day.binF <<'PY'
import sys, time
import railfmt
railfmt.raw_records(sys.argv[1])          # loads NumPy once
t = time.perf_counter(); a = railfmt.records(sys.argv[1]); t1 = time.perf_counter()
df = railfmt.dataframe(sys.argv[1]); t2 = time.perf_counter()
print("python: %d records, records() %.0f ms, dataframe() %.0f ms" % (len(a), (t1 - t) * 1e3, (t2 - t1) * 1e3))
PY
)
