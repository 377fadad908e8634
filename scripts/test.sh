#!/usr/bin/env bash
# Runs the whole test suite: set-up, build, then every test under Wine (and Xvfb without a display), then
# the run command's headless tour, which fails the run when a step fails or a server is left behind.
# BRENLOW_TOUR=0 leaves the tour out (for instance with ctest arguments that pick a few tests).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
source "$here/wine-session.sh"
require_runnable_target
echo "test: $(brenlow_build_line)"
finish() {
  local status=$?
  wine_session_end
  if [ "$status" -eq 0 ]; then
    echo "test: passed with $(brenlow_build_line)"
  else
    echo "test: failed (exit code $status) with $(brenlow_build_line)"
  fi
}
trap finish EXIT

bash "$here/setup.sh"
bash "$here/build.sh"
wine_session_begin
(cd "$BRENLOW_BUILD" && ctest --output-on-failure "$@")
wine_session_end
# What was skipped on this host, and why: GoogleTest gives the reason, which ctest shows only on failure.
awk '/: Skipped$/ { getline reason; next }
  /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ {
    sub(/^\[  SKIPPED \] /, ""); sub(/ \([0-9]+ ms\)$/, ""); print "test: skipped " $0 ": " reason }' \
  "$BRENLOW_BUILD/Testing/Temporary/LastTest.log"

if [ "${BRENLOW_TOUR:-1}" != 0 ]; then
  # Always headless, on its own Xvfb and in the run command's prefix of the same kind; its screenshots
  # stay in the build folder, and docs/screenshots changes only when copied there.
  env -u DISPLAY BRENLOW_DEMO="$BRENLOW_BUILD/demo" bash "$here/run.sh"
fi
