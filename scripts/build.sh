#!/usr/bin/env bash
# Configures and builds Brenlow, its stand-ins and its tests for 32-bit Windows:
#   bash scripts/build.sh [TARGET...]    (every target when none is named)
# The one place the build folder is configured; the run, test, bench and package scripts build through it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
if [ ! -f "$BRENLOW_BUILD/CMakeCache.txt" ]; then
  quietly cmake -S "$BRENLOW_ROOT" -B "$BRENLOW_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$BRENLOW_ROOT/cmake/toolchain-i686-mingw.cmake"
fi
if [ $# -gt 0 ]; then set -- --target "$@"; fi
cmake --build "$BRENLOW_BUILD" "$@" -j "$(nproc)" -- --no-print-directory
