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
# With a display, Brenlow may find servers that an earlier run left running; the tour starts afresh.
if $headless; then demo_prepare_program; else demo_prepare_program keep; fi
demo_prepare_documents

source "$here/wine-session.sh"
trap 'wine_session_end; echo "run: ran $(brenlow_build_name)"' EXIT
wine_session_begin

if ! $headless; then
  demo_prepare_prefix Y
  echo "run: Brenlow runs from $demo_program; its configurations are in $demo_documents"
  (cd "$demo_program" && "$BRENLOW_WINE" Brenlow.exe) || true
  # Ended by force, as the task manager ends it, Brenlow leaves its servers running, as on Windows: the
  # session stays, for the next Brenlow to find them. (Servers that it ended on closing take a moment.)
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    servers=$("$BRENLOW_WINE" "$BRENLOW_BUILD/bin/TourControl.exe" servers </dev/null | tr -d '\r')
    [ "${servers:-0}" = 0 ] && break
    sleep 0.2
  done
  if [ "${servers:-0}" != 0 ]; then
    trap 'echo "run: ran $(brenlow_build_name)"' EXIT
    echo "run: Brenlow has ended, but $servers of its servers still run, so Wine's session is left running:"
    echo "run:   bash scripts/run.sh shows them again in Brenlow;"
    echo "run:   WINEPREFIX=$WINEPREFIX wineserver -k ends them, and the session"
  fi
  exit 0
fi

demo_prepare_prefix N
source "$here/demo/tour.sh"
echo "run: no display, so Brenlow runs on a private Xvfb ($DISPLAY) for a scripted tour"
tour_run
