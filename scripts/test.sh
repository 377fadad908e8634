#!/usr/bin/env bash
# Runs the whole test suite: set-up, build, then every test under Wine (and Xvfb without a display).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh"
bash "$here/build.sh"

source "$here/wine-session.sh"
trap wine_session_end EXIT
wine_session_begin
cd "$BRENLOW_BUILD"
ctest --output-on-failure "$@"
