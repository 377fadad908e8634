#!/usr/bin/env bash
# Installs and builds everything Brenlow needs on Debian 12, as root. Idempotent: each step is skipped
# when its result is already there. Third-party builds are cached outside the build folder.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"

packages=(
  cmake make ccache g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix googletest dpkg-dev
  wine wine64 xvfb xauth fonts-wine fonts-wqy-microhei
  imagemagick xdotool x11-utils locales python3
)
# The 32-bit Wine only where it can run (both builds are made on any host).
if [ "$BRENLOW_HOST32" = 1 ]; then packages+=(wine32:i386); fi

need_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 0
  done
  return 1
}

install_packages() {
  if [ "$BRENLOW_HOST32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if need_packages; then
    echo "setup: installing Debian packages"
    apt-get update -qq
    quietly env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${packages[@]}"
  fi
}

# Chinese folder names need a glibc zh_CN locale, or Wine cannot create them.
install_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating zh_CN.UTF-8"
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
  fi
}

# The repositories of apt's entries of one type (deb or deb-src) for Debian bookworm main, in whichever
# sources files they are, in apt's order.
bookworm_main_repositories() {
  apt-get indextargets --no-release-info --format '$(REPO_URI)' \
    "Target-Of: $1" 'Release: bookworm' 'Component: main'
}

# Boost's sources come from Debian's source package, so apt needs a deb-src entry for bookworm main. It is
# derived from the machine's own Debian entry, so that no host name is written here.
add_source_entry() {
  [ -n "$(bookworm_main_repositories deb-src)" ] && return 0
  local uri
  uri=$(bookworm_main_repositories deb | awk 'NR == 1')
  if [ -z "$uri" ]; then
    echo "setup: apt has no entry for Debian bookworm main, from which to derive the deb-src entry that" \
      "Boost's sources come from; add a deb-src entry for bookworm main to apt's sources" >&2
    return 1
  fi
  local parts ours
  eval "$(apt-config shell parts Dir::Etc::sourceparts/d)"
  ours=${parts%/}/brenlow-src.sources
  echo "setup: adding $ours for Boost's sources (deb-src from $uri)"
  printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\n' "$uri" >"$ours"
  if ! apt-get update -qq; then
    rm -f "$ours"
    echo "setup: apt-get update failed with the deb-src entry from $uri, which is removed again" >&2
    return 1
  fi
}

# Boost.Filesystem 1.81 for the target's MinGW from Debian's boost1.81 source package. Boost.System is
# header-only in this release, so the headers plus one static library are all we keep.
build_boost() {
  local prefix=$BRENLOW_DEPS/boost-1.81-${BRENLOW_TRIPLE%%-*}
  [ -f "$prefix/lib/libboost_filesystem.a" ] && return 0
  add_source_entry
  echo "setup: building Boost.Filesystem for $BRENLOW_TRIPLE (about a minute)"
  local work=$BRENLOW_DEPS/boost-src
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && quietly apt-get source --download-only -qq boost1.81)
  local tarball
  tarball=$(ls "$work"/boost1.81_*.orig.tar.* | head -n 1)
  tar -xf "$tarball" -C "$work"
  local src
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d | head -n 1)

  rm -rf "$prefix.tmp" && mkdir -p "$prefix.tmp/include" "$prefix.tmp/lib" "$prefix.tmp/obj"
  local inc
  for inc in "$src"/libs/*/include "$src"/libs/numeric/*/include; do
    [ -d "$inc/boost" ] && cp -r "$inc/boost" "$prefix.tmp/include/"
  done
  # One compiler per core; xargs fails when any source fails, after the others have finished.
  if ! (cd "$prefix.tmp/obj" && printf '%s\0' "$src"/libs/filesystem/src/*.cpp |
    xargs -0 -n 1 -P "$(nproc)" "$BRENLOW_TRIPLE-g++-posix" -std=c++20 -O2 -DBOOST_FILESYSTEM_STATIC_LINK=1 \
      -DBOOST_FILESYSTEM_SOURCE -DBOOST_FILESYSTEM_NO_CXX20_ATOMIC_REF=0 -I"$prefix.tmp/include" -c); then
    echo "setup: Boost.Filesystem did not compile (the compiler's messages are above)" >&2
    return 1
  fi
  "$BRENLOW_TRIPLE-ar" rcs "$prefix.tmp/lib/libboost_filesystem.a" "$prefix.tmp"/obj/*.o
  rm -rf "$prefix.tmp/obj" "$prefix" "$work"
  mv "$prefix.tmp" "$prefix"
}

if [ "$BRENLOW_HOST32" = 1 ]; then
  echo "setup: $BRENLOW_HOST_FINDING, so every build runs here; setting up $(brenlow_build_name)"
else
  echo "setup: $BRENLOW_HOST_FINDING, so only the 64-bit build runs here (Wine's 64-bit loader, a 64-bit" \
    "prefix) and the 32-bit one is only built; setting up $(brenlow_build_name)"
fi
install_packages
install_locale
mkdir -p "$BRENLOW_DEPS"
build_boost
echo "setup: done"
