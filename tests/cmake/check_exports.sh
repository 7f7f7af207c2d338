#!/bin/sh
# Checks that the shared library exports exactly its eleven entry points and
# carries a versioned SONAME.
# Usage: check_exports.sh LIBRARY [NM] [READELF]
set -eu
lib=$1
nm=${2:-nm}
readelf=${3:-readelf}
[ -n "$nm" ] || nm=nm
[ -n "$readelf" ] || readelf=readelf

expected=$(printf '%s\n' lJkFileType TransSingleFile NewFmtFile TransFmtFile SetPBEvtCode SetZhuDuan \
  getDriverInfo getStationInfo getJcTypeInfo getJwdInfo getLinshiInfo | LC_ALL=C sort)

# Version definitions show up as absolute symbols without '@'; they are no exports.
actual=$("$nm" -D --defined-only "$lib" |
  awk '!($2 == "A" && $3 !~ /@/) { name = $3; sub(/@.*/, "", name); print name }' | LC_ALL=C sort)

status=0
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from the eleven entry points:"
  printf 'expected:\n%s\nactual:\n%s\n' "$expected" "$actual"
  status=1
fi

soname=$("$readelf" -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
if ! printf '%s\n' "$soname" | grep -Eq '^librailfmt\.so\.[0-9]+$'; then
  echo "SONAME is not versioned: '$soname'"
  status=1
fi

[ $status -eq 0 ] && echo "exports and SONAME ok ($soname)"
exit $status
