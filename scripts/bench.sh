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
trap wine_session_end EXIT
wine_session_begin
cd "$BRENLOW_BUILD/bin"
echo "# $(uptime)"
wine brenlow_bench.exe "$@"
echo "# $(uptime)"
