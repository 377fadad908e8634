#!/usr/bin/env bash
# Sets everything up, builds, lays out a demo (Brenlow.exe beside the stand-in launcher and server, a
# Documents folder with demo configurations) and starts Brenlow under Wine with its Chinese texts.
# With a display the user gets the real window and this waits until Brenlow exits. Without one, Brenlow
# runs in a Wine virtual desktop on a private Xvfb and a scripted tour clicks through it, saving a
# screenshot of each step.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
# Its own prefix, so that the demo's Documents folder and fonts never reach the tests' prefix.
export WINEPREFIX=${WINEPREFIX_BRENLOW:-$BRENLOW_ROOT/.wineprefix-run-$BRENLOW_PREFIX_KIND}
export BRENLOW_DEMO=${BRENLOW_DEMO:-$BRENLOW_ROOT/out/demo}
# Chinese texts and folder names need the Chinese locale (set up by setup.sh).
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

require_runnable_target
echo "run: $(brenlow_build_line)"
trap 'echo "run: ran $(brenlow_build_name)"' EXIT

headless=true
[ -n "${DISPLAY:-}" ] && headless=false

bash "$here/setup.sh"
# Brenlow.exe and the two stand-ins, and the tour's window reader; the tests are test.sh's business.
bash "$here/build.sh" Brenlow TourControl
source "$here/demo/demo.sh"
demo_prepare_program
demo_prepare_documents

source "$here/wine-session.sh"
trap 'wine_session_end; echo "run: ran $(brenlow_build_name)"' EXIT
wine_session_begin

if ! $headless; then
  demo_prepare_prefix Y
  echo "run: Brenlow runs from $demo_program; its configurations are in $demo_documents"
  cd "$demo_program"
  "$BRENLOW_WINE" Brenlow.exe
  exit 0
fi

demo_prepare_prefix N
source "$here/demo/tour.sh"
echo "run: no display, so Brenlow runs on a private Xvfb ($DISPLAY) for a scripted tour"
tour_run
