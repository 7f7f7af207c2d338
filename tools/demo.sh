#!/usr/bin/env bash
# The demo: classifies the example files.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/railfmt ]; then
  build/railfmt classify examples/* 2>/dev/null || true
else
  for f in examples/*; do [ -f "$f" ] && echo "$f"; done
fi
