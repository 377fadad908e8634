#!/usr/bin/env bash
# Reads a crash dump that Brenlow wrote (Brenlow.exe<thread id>.dmp):
#   bash scripts/read-dump.sh DUMP [Brenlow.exe]
# Prints the exception, the faulting address and module, the crashing thread and that thread's backtrace,
# with function names and file:line for the frames of Brenlow and of the stand-ins. The symbols come from
# the unstripped Brenlow.exe given (the build folder's by default), which must be the build that crashed,
# stripped or not: a dump and an executable that do not belong together are refused.
#
# How: minidump.py checks the pair and writes a scratch copy of the dump whose module paths point at the
# given Brenlow.exe and at the matching modules beside it (the stand-ins), since winedbg looks for each
# module at the path the dump records. winedbg then prints the backtrace, in the session's Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bash scripts/read-dump.sh DUMP [Brenlow.exe]" >&2
  exit 1
fi
dump=$1
program=${2:-$BRENLOW_BUILD/bin/Brenlow.exe}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# winedbg wants .mdmp; the system's libraries of the session's prefix give their unwind information.
python3 "$here/minidump.py" summary "$dump" "$program" "$scratch/dump.mdmp" "$WINEPREFIX/drive_c/windows/system32"

source "$here/wine-session.sh"
wine_prefix_prepare >&2
# winedbg prints the crashing thread's registers, stack and backtrace by itself. In a 64-bit prefix a
# second, 64-bit reading of the same dump follows, which makes no sense of a 32-bit process: only the
# first backtrace counts. Its output is kept, to be shown when it holds no backtrace.
status=0
(cd "$scratch" && "$BRENLOW_WINE" winedbg dump.mdmp </dev/null >winedbg.out 2>winedbg.err) || status=$?
backtrace=$(awk '
  /^Backtrace:/ { if (seen) exit; seen = 1; next }
  seen && /^(=>|  ) *[0-9]+ / { print; next }
  seen { exit }' "$scratch/winedbg.out")
if [ -z "$backtrace" ]; then
  cat "$scratch/winedbg.out" "$scratch/winedbg.err" >&2
  echo "read-dump: winedbg (exit code $status) found no backtrace in $dump" >&2
  exit 5
fi
echo "Backtrace of the crashing thread:"
echo "$backtrace"
