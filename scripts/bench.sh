#!/usr/bin/env bash
# Builds and runs the benchmark program under Wine: every measure beside its floor, or with an argument
# only that measure (log, discovery, sweep, start-up, memory, idle, or soak, which is long and runs only
# when named). BRENLOW_WINEARCH=win32 runs it on 32-bit Windows, as for the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh" >/dev/null
bash "$here/build.sh" >/dev/null
source "$here/wine-session.sh"
# Wine's session (its server and every program) on one CPU: each call that Wine's server answers is a
# round trip between two processes, and on a virtual machine whose other CPU is idle the wake-up of
# that CPU made every round trip about ten times slower (50 against 5 microseconds), so that figures
# depended on whether other work happened to keep both CPUs busy.
if command -v taskset >/dev/null; then
  taskset -p -c 0 $$ >/dev/null
fi
trap wine_session_end EXIT
wine_session_begin
cd "$BRENLOW_BUILD/bin"
echo "# $(uptime)"
# A failed measure makes the exit code 1; whatever is left running ends with the session (the trap).
status=0
wine brenlow_bench.exe "$@" || status=$?
echo "# $(uptime)"
exit "$status"
