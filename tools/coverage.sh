#!/usr/bin/env bash
# Line coverage of src/ from the coverage build's test run (gcovr).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build-coverage/report
gcovr -r . --filter 'src/' --object-directory build-coverage \
  --html-details build-coverage/report/index.html --txt build-coverage/report/coverage.txt \
  --print-summary
echo "HTML report: build-coverage/report/index.html"
