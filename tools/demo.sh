#!/usr/bin/env bash
# The demo: classifies the example raw files, converts the L2000 example with
# the example reference tables and prints the first records of the result.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=build/railfmt
if [ ! -x "$tool" ]; then
  echo "demo: $tool is missing; run 'make build' first" >&2
  exit 1
fi
out=$(mktemp -d "${TMPDIR:-/tmp}/railfmt-demo.XXXXXX")
trap 'rm -rf "$out"' EXIT

raw=examples/l2000_sample.bin
if [ ! -f "$raw" ]; then
  raw="$out/l2000_sample.bin"
  "$tool" sample --kind l2000 --seed 7 --records 300 -o "$raw"
fi

echo "== railfmt classify examples/*.bin"
"$tool" classify examples/*.bin
echo
echo "== railfmt convert $raw --tables examples/tables"
"$tool" convert "$raw" "$out/run.binF" --tables examples/tables
echo
echo "== railfmt dump (first records)"
"$tool" dump "$out/run.binF" | head -n 60
echo
"$tool" plot "$out/run.binF" --fields Val19,Val21 -o "$out/run.svg" >/dev/null
echo "(a speed chart is drawn with: railfmt plot FILE --fields Val19,Val21 -o run.svg)"
