# Shared settings for the set-up, build, run and test scripts. Sourced, not run.
BRENLOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BRENLOW_ROOT
# Third-party builds live outside the work tree so that fresh clones reuse them.
export BRENLOW_DEPS=${BRENLOW_DEPS:-$HOME/.cache/brenlow-deps}
export BRENLOW_BUILD=${BRENLOW_BUILD:-$BRENLOW_ROOT/build}
export WINEPREFIX=${WINEPREFIX_BRENLOW:-$BRENLOW_ROOT/.wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Compiler cache shared by every clone on this machine; paths under the clone are hashed relative to it.
export CCACHE_BASEDIR=$BRENLOW_ROOT
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/brenlow-ccache}
# Debug information names the build folder; it must not split the cache between clones.
export CCACHE_NOHASHDIR=1
