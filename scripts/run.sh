#!/usr/bin/env bash
# Sets everything up, builds, and starts Brenlow under Wine beside the stand-in launcher and server.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
bash "$here/setup.sh"
bash "$here/build.sh"

bin=$BRENLOW_BUILD/bin
if [ ! -f "$bin/Brenlow.exe" ]; then
  echo "run: Brenlow.exe is not built yet; what exists so far:"
  ls "$bin"
  exit 0
fi
source "$here/wine-session.sh"
trap wine_session_end EXIT
wine_session_begin
cd "$bin"
LANG=zh_CN.UTF-8 wine Brenlow.exe
