#!/usr/bin/env bash
# The README's tour of the command-line tool, run line by line.
#
# Every line below is a command of the tour exactly as the README shows it.
# The script runs them in order in one shell, from the checkout (the first
# lines put build/ on the PATH and move to a scratch folder), and prints a
# transcript: "$ " and the command, then what it printed (stderr and stdout
# together). tests/readme/check_tour.py compares the transcript with the
# README's tour, so the two cannot drift apart.
#
# The scratch folder lives in a temporary folder of this script's own and is
# removed at the end. Exit status: 1 when a command of the tour failed.
set -uo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/railfmt ]; then
  echo "tour: build/railfmt is missing; run 'make demo' first" >&2
  exit 1
fi
own_tmp=$(mktemp -d "${TMPDIR:-/tmp}/railfmt-tour.XXXXXX")
trap 'cd / && rm -rf "$own_tmp"' EXIT
export TMPDIR="$own_tmp"

# The tour, one command a line, as the README shows it.
mapfile -t tour <<'TOUR'
export PATH="$PWD/build:$PATH"                      # in the checkout, after make demo
cd "$(mktemp -d)" && cp -r "$OLDPWD/examples" .     # an empty scratch folder with the example files
railfmt sample --kind l2000 --seed 7 -o RUN1.37     # a synthetic raw download
railfmt classify RUN1.37 examples/lkj93_sample.bin examples/tax3_sample.bin
railfmt convert RUN1.37 --tables examples/tables    # default destination: RUN1.37F
railfmt dump RUN1.37F
railfmt dump RUN1.37F --format csv > run.csv        # UTF-8 with BOM, opens in spreadsheets
railfmt dump RUN1.37F --format json | jq -c '.records[35] | {code, time, Val19, Val21, present}'
railfmt plot RUN1.37F --fields Val19,Val21 -o run.svg  # two fields over the time of day
mkdir dl && cp RUN1.37 dl/                          # a download folder holding one download
railfmt process RUN1.37 --from dl --work work --archive archive
ls work/TEMP archive/L2000/0307
mkdir downloads && cp examples/*.bin downloads/ && echo "call the depot" > downloads/notes.txt
railfmt batch downloads --out formatted
ls formatted
railfmt dump RUN1.37; echo "exit code $?"
railfmt convert downloads/notes.txt; echo "exit code $?"
railfmt convert examples/tax3_sample.bin            # a TAX3 dump is cut into its recordings
ls examples/TAX3-* | wc -l
TOUR

status=0
for line in "${tour[@]}"; do
  printf '$ %s\n' "$line"
  # one shell for the whole tour: cd and export carry over to the next line
  eval "$line" 2>&1 || { echo "tour: this command failed (exit code $?)"; status=1; }
done
exit $status
