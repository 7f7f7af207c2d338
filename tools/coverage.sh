#!/usr/bin/env bash
# Line coverage of src/ from the coverage build's test run (gcovr), and the
# functions of src/ that no test executed (the GBK text lambdas aside).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build-coverage/report
gcovr -r . --filter 'src/' --object-directory build-coverage \
  --html-details build-coverage/report/index.html --txt build-coverage/report/coverage.txt \
  --json build-coverage/report/coverage.json --print-summary
python3 - build-coverage/report/coverage.json <<'PY'
import json, sys
never = []
for f in json.load(open(sys.argv[1]))["files"]:
    for fn in f.get("functions", []):
        if fn["execution_count"] == 0 and "lambda" not in fn["name"]:
            never.append(f"  {f['file']}:{fn['lineno']}  {fn['name']}")
print("functions never executed:" + ("" if never else " none"))
print("\n".join(never))
PY
echo "HTML report: build-coverage/report/index.html"
