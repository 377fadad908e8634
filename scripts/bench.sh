#!/usr/bin/env bash
# Builds and runs the benchmark program under Wine; extra arguments pick one benchmark (e.g. log).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh" >/dev/null
bash "$here/build.sh" >/dev/null
source "$here/wine-session.sh"
trap wine_session_end EXIT
wine_session_begin
cd "$BRENLOW_BUILD/bin"
wine brenlow_bench.exe "$@"
