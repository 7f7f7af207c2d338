#!/bin/sh
# Checks that the shared library exports exactly the entry points of the
# export list and carries a versioned SONAME.
# Usage: check_exports.sh LIBRARY EXPORT_LIST [NM] [READELF]
#   EXPORT_LIST: the build's railfmt_exports.txt ("name bytes" a line)
set -eu
lib=$1 nm=${3:-nm} readelf=${4:-readelf}
expected=$(cut -d' ' -f1 "$2" | LC_ALL=C sort)
# Version definitions show up as absolute symbols without '@'; they are no exports.
actual=$("$nm" -D --defined-only "$lib" |
  awk '!($2 == "A" && $3 !~ /@/) { name = $3; sub(/@.*/, "", name); print name }' | LC_ALL=C sort)
soname=$("$readelf" -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
status=0
if [ "$actual" != "$expected" ]; then
  printf 'exported symbols differ from the export list:\nexpected:\n%s\nactual:\n%s\n' "$expected" "$actual"
  status=1
fi
if ! printf '%s\n' "$soname" | grep -Eq '^librailfmt\.so\.[0-9]+$'; then
  echo "SONAME is not versioned: '$soname'"
  status=1
fi
[ $status -eq 1 ] || echo "exports and SONAME ok ($soname)"
exit $status
