#!/usr/bin/env bash
# strip for the Windows programs, keeping the link time stamp of the PE header (binutils would write the
# current time): a crash dump of the stripped program records that stamp, and the dump reader matches
# it against the unstripped build that holds the symbols. The file to strip is the last argument.
set -euo pipefail
file=${*: -1}
header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
stamp=$(od -An -tu4 -j$((header + 8)) -N4 "$file" | tr -d ' ')
SOURCE_DATE_EPOCH=$stamp exec i686-w64-mingw32-strip "$@"
