# Shared settings for the set-up, build, run and test scripts. Sourced, not run.
BRENLOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BRENLOW_ROOT
# Third-party builds live outside the work tree so that fresh clones reuse them.
export BRENLOW_DEPS=${BRENLOW_DEPS:-$HOME/.cache/brenlow-deps}
export BRENLOW_BUILD=${BRENLOW_BUILD:-$BRENLOW_ROOT/build}
# 64-bit Windows by default, where Brenlow (32-bit) runs under WoW64 as on its users' machines;
# BRENLOW_WINEARCH=win32 runs everything on 32-bit Windows instead. Each kind has its own prefix.
export WINEARCH=${BRENLOW_WINEARCH:-win64}
case $WINEARCH in
  win64 | win32) ;;
  *) echo "BRENLOW_WINEARCH must be win64 or win32, not $WINEARCH" >&2; exit 2 ;;
esac
export WINEPREFIX=${WINEPREFIX_BRENLOW:-$BRENLOW_ROOT/.wineprefix-$WINEARCH}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Compiler cache shared by every clone on this machine; paths under the clone are hashed relative to it.
export CCACHE_BASEDIR=$BRENLOW_ROOT
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/brenlow-ccache}
# Debug information names the build folder; it must not split the cache between clones.
export CCACHE_NOHASHDIR=1

# Runs a command without input and with its output held back, which is shown when the command fails.
# Output goes to a file, not a pipe: Wine's service processes keep it open after the command ends.
quietly() {
  local log status=0
  log=$(mktemp)
  "$@" </dev/null >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$log" >&2
    echo "failed with exit code $status: $*" >&2
  fi
  rm -f "$log"
  return "$status"
}
