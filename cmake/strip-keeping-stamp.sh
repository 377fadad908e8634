#!/usr/bin/env bash
# strip for the Windows programs, keeping the link time stamp of the PE header (binutils would write the
# current time): a crash dump of the stripped program records that stamp, and the dump reader matches
# it against the unstripped build that holds the symbols. The file to strip is the last argument; the
# strip of its own kind (32- or 64-bit) is used.
set -euo pipefail
file=${*: -1}
header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
machine=$(od -An -tx2 -j$((header + 4)) -N2 "$file" | tr -d ' ')
stamp=$(od -An -tu4 -j$((header + 8)) -N4 "$file" | tr -d ' ')
case $machine in
  014c) triple=i686-w64-mingw32 ;;
  8664) triple=x86_64-w64-mingw32 ;;
  *) echo "strip-keeping-stamp: $file is for machine 0x$machine, neither x86 nor x64" >&2; exit 1 ;;
esac
SOURCE_DATE_EPOCH=$stamp exec "$triple-strip" "$@"
