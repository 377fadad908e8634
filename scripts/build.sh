#!/usr/bin/env bash
# Configures and builds Brenlow, its stand-ins and its tests for the target (scripts/env.sh):
#   bash scripts/build.sh [TARGET...]    (every target when none is named)
# The one place the build folder is configured; the run, test, bench and package scripts build through it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
toolchain=$BRENLOW_ROOT/cmake/toolchain-$BRENLOW_TRIPLE.cmake
# A folder configured for another target (or by an older tree) is configured anew.
cache=$BRENLOW_BUILD/CMakeCache.txt
if [ -f "$cache" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$cache"; then
  echo "build: $BRENLOW_BUILD was configured for another target; configuring it for $BRENLOW_TARGET"
  rm -rf "$cache" "$BRENLOW_BUILD/CMakeFiles"
fi
if [ ! -f "$cache" ]; then
  quietly cmake -S "$BRENLOW_ROOT" -B "$BRENLOW_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$BRENLOW_WINE"
fi
if [ $# -gt 0 ]; then set -- --target "$@"; fi
cmake --build "$BRENLOW_BUILD" "$@" -j "$(nproc)" -- --no-print-directory
