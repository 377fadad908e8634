# Shared settings for the set-up, build, run and test scripts. Sourced, not run. The one place that knows
# the target: its toolchain and triple, the Wine loader that runs it, its prefix and its build folder.
BRENLOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BRENLOW_ROOT
# Third-party builds live outside the work tree so that fresh clones reuse them.
export BRENLOW_DEPS=${BRENLOW_DEPS:-$HOME/.cache/brenlow-deps}

# Whether this kernel runs 32-bit x86 programs at all (some run with that emulation switched off, and
# then no 32-bit Wine can start): it runs a 96-byte 32-bit Linux program that only exits with code 32.
host_runs_32bit() {
  local probe status=0
  probe=$(mktemp) || return 1
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' >"$probe"
  printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00' >>"$probe"
  # Program header: the file's 96 bytes loaded at 0x08048000, readable and executable.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00' >>"$probe"
  printf '\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
  # mov eax, 1 (exit); mov ebx, 32; int 0x80
  printf '\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 32 ]
}

# The host is asked once per command; the scripts it runs inherit the answer. BRENLOW_HOST32=0 makes any
# host behave as one that cannot run 32-bit programs.
if [ -z "${BRENLOW_HOST32:-}" ]; then
  if host_runs_32bit; then
    BRENLOW_HOST32=1 BRENLOW_HOST_FINDING="this host runs 32-bit programs"
  else
    BRENLOW_HOST32=0
    BRENLOW_HOST_FINDING="this host runs no 32-bit programs: its kernel refuses them"
  fi
elif [ -z "${BRENLOW_HOST_FINDING:-}" ]; then
  case $BRENLOW_HOST32 in
    0) BRENLOW_HOST_FINDING="BRENLOW_HOST32=0 makes this host one that runs no 32-bit programs" ;;
    1) BRENLOW_HOST_FINDING="BRENLOW_HOST32=1 says this host runs 32-bit programs" ;;
    *) echo "BRENLOW_HOST32 must be 0 or 1, not $BRENLOW_HOST32" >&2; exit 2 ;;
  esac
fi
export BRENLOW_HOST32 BRENLOW_HOST_FINDING

# The build: x86, the 32-bit program that is released (Brenlow runs beside a 32-bit launcher library),
# or x64, the same tree as a 64-bit program for hosts that cannot run the other. Each has its own
# build folder, Boost and Wine prefixes.
if [ -z "${BRENLOW_TARGET:-}" ]; then
  if [ "$BRENLOW_HOST32" = 1 ]; then BRENLOW_TARGET=x86; else BRENLOW_TARGET=x64; fi
  BRENLOW_TARGET_REASON="the default, as $BRENLOW_HOST_FINDING"
fi
export BRENLOW_TARGET BRENLOW_TARGET_REASON=${BRENLOW_TARGET_REASON:-as BRENLOW_TARGET=$BRENLOW_TARGET asks}
case $BRENLOW_TARGET in
  x86)
    export BRENLOW_TRIPLE=i686-w64-mingw32
    export BRENLOW_BUILD=${BRENLOW_BUILD:-$BRENLOW_ROOT/build}
    # 64-bit Windows by default, where Brenlow runs under WoW64 as on its users' machines;
    # BRENLOW_WINEARCH=win32 runs everything on 32-bit Windows instead. Each kind has its own prefix.
    export WINEARCH=${BRENLOW_WINEARCH:-win64}
    # Debian's wine script: the 32-bit loader, which hands 64-bit programs to the 64-bit one.
    export BRENLOW_WINE=wine
    unset WINELOADER
    BRENLOW_PREFIX_KIND=$WINEARCH
    ;;
  x64)
    export BRENLOW_TRIPLE=x86_64-w64-mingw32
    export BRENLOW_BUILD=${BRENLOW_BUILD:-$BRENLOW_ROOT/build-x64}
    export WINEARCH=win64
    if [ "${BRENLOW_WINEARCH:-win64}" != win64 ]; then
      echo "the 64-bit build runs on 64-bit Windows only, not with BRENLOW_WINEARCH=$BRENLOW_WINEARCH" >&2
      exit 2
    fi
    # Called directly: Debian's wine and wineboot scripts take the 32-bit loader whenever it is
    # installed, even where it cannot run. Wine starts every further process through WINELOADER.
    export BRENLOW_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
    BRENLOW_PREFIX_KIND=x64
    ;;
  *) echo "BRENLOW_TARGET must be x86 or x64, not $BRENLOW_TARGET" >&2; exit 2 ;;
esac
case $WINEARCH in
  win64 | win32) ;;
  *) echo "BRENLOW_WINEARCH must be win64 or win32, not $WINEARCH" >&2; exit 2 ;;
esac
export BRENLOW_PREFIX_KIND
export WINEPREFIX=${WINEPREFIX_BRENLOW:-$BRENLOW_ROOT/.wineprefix-$BRENLOW_PREFIX_KIND}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

# Which build runs on which Windows, and why: said at the start and at the end of every command that runs it.
brenlow_build_name() {
  local build="the 32-bit build" windows="64-bit Windows"
  [ "$BRENLOW_TARGET" = x64 ] && build="the 64-bit build"
  [ "$WINEARCH" = win32 ] && windows="32-bit Windows"
  echo "$build on $windows"
}
brenlow_build_line() {
  echo "$(brenlow_build_name), $BRENLOW_TARGET_REASON"
}

# Running needs a host that runs the build: a 32-bit build is only built where it cannot run.
require_runnable_target() {
  if [ "$BRENLOW_TARGET" = x64 ] || [ "$BRENLOW_HOST32" = 1 ]; then return 0; fi
  echo "the 32-bit build cannot run here: $BRENLOW_HOST_FINDING; leave BRENLOW_TARGET unset for the" \
    "64-bit build" >&2
  exit 2
}

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
