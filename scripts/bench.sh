#!/usr/bin/env bash
# Builds and runs the benchmark program under Wine: every measure beside its floor, or with an argument
# only that measure (log, discovery, sweep, start-up, memory, idle, or soak, which is long and runs only
# when named), with the build and on the Windows that the tests take (scripts/env.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
require_runnable_target
echo "# bench: $(brenlow_build_line)"
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
trap 'wine_session_end; echo "# bench: ran $(brenlow_build_name)"' EXIT
wine_session_begin
cd "$BRENLOW_BUILD/bin"
echo "# $(uptime)"
# A failed measure makes the exit code 1; whatever is left running ends with the session (the trap).
status=0
"$BRENLOW_WINE" brenlow_bench.exe "$@" || status=$?
echo "# $(uptime)"
exit "$status"
