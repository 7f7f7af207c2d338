#!/usr/bin/env bash
# Installs the Debian packages a target needs when they are missing.
# As root it runs apt-get; otherwise it prints the exact apt-get line.
#   tools/setup-deps.sh build|test|cli|fuzz|coverage|windows|bench
set -euo pipefail

want=(cmake ninja-build g++ make pkg-config)
for goal in "$@"; do
  case "$goal" in
    build) ;;
    test) want+=(libgtest-dev python3 python3-venv python3-pip python3-setuptools python3-pytest
                 python3-numpy python3-pandas libjs-chart.js chromium) ;;
    cli) want+=(libcli11-dev nlohmann-json3-dev jq) ;;  # jq: the README's tour
    bench) want+=(libbenchmark-dev) ;;
    fuzz) want+=(clang-14 libclang-rt-14-dev) ;;
    coverage) want+=(gcovr) ;;
    windows) want+=(mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 python3) ;;
    *) echo "setup-deps: unknown goal '$goal'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Please run as root:" >&2
  echo "  apt-get update && $line" >&2
  exit 1
fi
echo "setup-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null || true
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
