#!/usr/bin/env bash
# The Windows check (make test-windows):
#  1. builds railfmt.dll for i686 and x86_64 with MinGW-w64 (presets mingw32,
#     mingw64) together with the host program tools/winhost/winhost.c;
#  2. checks the i686 DLL: exactly the exports of the list under undecorated names,
#     each a stdcall function that removes its own arguments, and no import
#     of a MinGW runtime DLL (the same import check for x86_64);
#  3. writes sample inputs (tools/winhost/make_inputs.py, plus examples/*),
#     runs the host with the Linux shared library natively and with the
#     Windows DLL under Wine, and compares every output byte (the host ends
#     with two threads calling the exports at the same time).
# 32-bit Windows programs need 32-bit Wine (wine32, an i386 multiarch
# package); without it the i686 run is reported as skipped, not failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build-wincheck
jobs=${JOBS:-2}
mkdir -p "$work"

fail() {
  echo "test-windows: FAIL: $*" >&2
  exit 1
}
step() { echo "== $*"; }
trap 'echo "test-windows: FAIL: command failed at line $LINENO" >&2' ERR

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# ---------------------------------------------------------------- builds
for bits in 32 64; do
  step "build railfmt.dll (mingw$bits)"
  dir=build-win$bits
  [ -f "$dir/build.ninja" ] || cmake --preset "mingw$bits" "${launcher[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs" --target railfmt winhost >"$work/build-win$bits.log" 2>&1 ||
    { tail -40 "$work/build-win$bits.log" >&2; fail "mingw$bits build"; }
done

step "build librailfmt.so (Linux reference)"
if [ -f build/build.ninja ]; then
  linux=$root/build
else
  linux=$work/linux
  [ -f "$linux/build.ninja" ] ||
    cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAILFMT_TESTS=OFF \
      -DRAILFMT_CLI=OFF -DRAILFMT_BENCH=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$linux" -j "$jobs" --target railfmt >"$work/build-linux.log" 2>&1 ||
  { tail -40 "$work/build-linux.log" >&2; fail "Linux build"; }
cc -std=c11 -O1 -Wall -Iinclude -Isrc/interface tools/winhost/winhost.c -ldl -pthread -o "$work/linhost"

# ---------------------------------------------------------------- DLL checks
runtime_dlls='libgcc|libstdc\+\+|libwinpthread|libssp|libatomic|libgomp'
for bits in 32 64; do
  triplet=$([ $bits = 32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  for f in build-win$bits/railfmt.dll build-win$bits/winhost.exe; do
    imports=$($triplet-objdump -p "$f" | awk '/DLL Name:/{print $3}')
    if grep -Eiq "$runtime_dlls" <<<"$imports"; then
      fail "$f imports a MinGW runtime DLL: $(tr '\n' ' ' <<<"$imports")"
    fi
  done
done

step "check the i686 export table"
objdump=i686-w64-mingw32-objdump
dll=build-win32/railfmt.dll
$objdump -p "$dll" >"$work/dll32.txt"
base=$(awk '/^ImageBase/{print $2}' "$work/dll32.txt")
sed -n 's/.*\[ *\([0-9]*\)\] +base\[ *[0-9]*\] *\([0-9a-f]*\) Export RVA.*/\1 \2/p' \
  "$work/dll32.txt" >"$work/eat.txt"
awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&NF==0{exit} f{gsub(/[][]/,""); print $1, $2}' \
  "$work/dll32.txt" >"$work/names.txt"
# Name and the bytes of arguments the function removes (stdcall), from the
# export list (src/interface/export_list.h, written out by the build).
expected=$(cat build-win32/railfmt_exports.txt)
count=$(wc -l <<<"$expected")
found=""
while read -r idx name; do
  rva=$(awk -v i="$idx" '$1 == i {print $2}' "$work/eat.txt")
  start=$((0x$base + 0x$rva))
  ret=$($objdump -d --start-address=$start --stop-address=$((start + 0x2000)) "$dll" |
    grep -m1 -oE '[[:space:]]ret[a-z]*( +\$0x[0-9a-f]+)?' || true)
  pops=$(grep -oE '0x[0-9a-f]+' <<<"$ret" || echo 0)
  found+="$name $((pops))"$'\n'
done <"$work/names.txt"
found=$(sort <<<"${found%$'\n'}")
if [ "$found" != "$(sort <<<"$expected")" ]; then
  diff <(sort <<<"$expected") <(echo "$found") >&2 || true
  fail "i686 exports (name, stdcall argument bytes) differ from the export list"
fi
echo "   $count undecorated stdcall exports; imports: $(awk '/DLL Name:/{printf "%s ", $3}' "$work/dll32.txt")"

x86_64-w64-mingw32-objdump -p build-win64/railfmt.dll >"$work/dll64.txt"
names64=$(awk '/\[Ordinal\/Name Pointer\] Table/{f=1;next} f&&NF==0{exit} f{print $NF}' \
  "$work/dll64.txt" | sort)
[ "$names64" = "$(cut -d' ' -f1 <<<"$expected" | sort)" ] ||
  fail "x86_64 exports differ from the export list: $(tr '\n' ' ' <<<"$names64")"

# ---------------------------------------------------------------- runs
step "sample inputs"
rm -rf "$work/inputs"
python3 tools/winhost/make_inputs.py "$work/inputs" "$root"
inputs=("$work"/inputs/*)
if [ -d examples ]; then
  for f in examples/*; do [ -f "$f" ] && inputs+=("$root/$f"); done
fi
echo "   ${#inputs[@]} files"

winpath() { echo "Z:${1//\//\\}"; }
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine64" ] || fail "wine64 not found (tools/setup-deps.sh windows installs it)"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEDEBUG=-all WINEPREFIX=$work/wineprefix WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT

run_windows() {  # bits loader outdir
  local bits=$1 loader=$2 out=$3 args=()
  for f in "${inputs[@]}"; do args+=("$(winpath "$f")"); done
  rm -rf "$out"
  timeout 120 "$loader" "build-win$bits/winhost.exe" "$(winpath "$root/build-win$bits/railfmt.dll")" \
    "$(winpath "$out")" "${args[@]}" >"$out.log" 2>&1
}

# The daily log goes to a "log" folder beside each host program; its lines
# name the source path, so only what follows the path is compared. The two
# threads of the host write their lines in the order the library admits
# their calls, so the lines are compared sorted.
log_body() { cat "$1"/log/*.txt 2>/dev/null | sed 's/^[^(]*//' | LC_ALL=C sort; }

step "Linux host"
rm -rf "$work/out-linux" "$work/log" build-win32/log build-win64/log
"$work/linhost" "$linux/librailfmt.so" "$work/out-linux" "${inputs[@]}" ||
  fail "Linux host run (exit $?)"

compare() {  # name outdir build-dir
  if ! diff -r "$work/out-linux" "$2" >"$2.diff" 2>&1; then
    cat "$2.diff" >&2
    fail "$1 output differs from the Linux output"
  fi
  if ! cmp -s <(log_body "$work") <(log_body "$3"); then
    fail "$1 daily log differs from the Linux one"
  fi
  echo "   $(find "$2" -type f | wc -l) files and $(log_body "$3" | wc -l) log lines identical to the Linux run"
}

step "x86_64 DLL under wine64"
run_windows 64 "$wine64" "$work/out-win64" || { cat "$work/out-win64.log" >&2; fail "wine64 run"; }
compare x86_64 "$work/out-win64" build-win64

step "i686 DLL under wine"
if command -v wine >/dev/null && run_windows 32 wine "$work/out-win32" &&
  [ -f "$work/out-win32/results.txt" ]; then
  compare i686 "$work/out-win32" build-win32
else
  echo "   SKIPPED: 32-bit Wine cannot run i686 programs here (needs wine32 from the i386"
  echo "   multiarch); the i686 DLL was checked statically above"
fi

echo "test-windows: OK"
