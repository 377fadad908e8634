#!/usr/bin/env bash
# Runs the whole test suite: set-up, build, then every test under Wine (and Xvfb without a display), then
# the run command's headless tour, which fails the run when a step fails or a server is left behind.
# BRENLOW_TOUR=0 leaves the tour out (for instance with ctest arguments that pick a few tests).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh"
bash "$here/build.sh"

source "$here/wine-session.sh"
trap wine_session_end EXIT
wine_session_begin
(cd "$BRENLOW_BUILD" && ctest --output-on-failure "$@")
wine_session_end
trap - EXIT

[ "${BRENLOW_TOUR:-1}" = 0 ] && exit 0
# Always headless, on its own Xvfb and in the run command's prefix of the same kind (BRENLOW_WINEARCH);
# its screenshots stay in the build folder, and docs/screenshots changes only when copied there.
env -u DISPLAY BRENLOW_DEMO="$BRENLOW_BUILD/demo" bash "$here/run.sh"
