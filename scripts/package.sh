#!/usr/bin/env bash
# Builds the release archives for Windows users: Brenlow-<version>-win32.zip (the program, README, licence)
# and Brenlow-devkit-<version>-win32.zip (the stand-in launcher library and server).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh" >/dev/null
if [ ! -f "$BRENLOW_BUILD/CMakeCache.txt" ]; then
  cmake -S "$BRENLOW_ROOT" -B "$BRENLOW_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$BRENLOW_ROOT/cmake/toolchain-i686-mingw.cmake" >/dev/null
fi
cmake --build "$BRENLOW_BUILD" --target Brenlow -j "$(nproc)" -- --no-print-directory
cd "$BRENLOW_BUILD"
rm -f package/*.zip
cpack --config CPackConfig.cmake
echo "package: archives in $BRENLOW_BUILD/package:"
ls -l package/*.zip
