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
# The whole dump goes to a file first: a reader that stops early (head) would
# end the tool with SIGPIPE, and under pipefail the demo with it.
"$tool" dump "$out/run.binF" >"$out/run.txt"
sed -n 1,60p "$out/run.txt"
echo
"$tool" plot "$out/run.binF" --fields Val19,Val21 -o "$out/run.svg" >/dev/null
echo "(a chart of two fields over the time of day: railfmt plot FILE --fields Val19,Val21 -o run.svg)"
echo
echo "== where the tool is"
echo "railfmt is $PWD/$tool. To call it by name:"
echo "  export PATH=\"$PWD/build:\$PATH\"    # this shell only"
echo "  make install-local                 # or install it under ~/.local (bin/railfmt, lib, include)"
echo "Next: the tour in README.md (tools/tour.sh runs it)."
