#!/usr/bin/env bash
# Builds the release archives for Windows users: Brenlow-<version>-win32.zip (the program, README, licence)
# and Brenlow-devkit-<version>-win32.zip (the stand-in launcher library and server), and for us
# Brenlow-<version>-win32-symbols.zip (the same programs unstripped, to read users' crash dumps with).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# The release is the 32-bit build on any host (building runs no 32-bit code): the platform's launcher
# library is 32-bit, so a 64-bit Brenlow could not load it.
export BRENLOW_TARGET=x86 BRENLOW_TARGET_REASON="the release"
source "$here/env.sh"
bash "$here/setup.sh" >/dev/null
bash "$here/build.sh" Brenlow
cd "$BRENLOW_BUILD"
rm -f package/*.zip
cpack --config CPackConfig.cmake

# The kit is unpacked over the program: a name in both (Windows ignores case) would make that ask.
python3 - package/Brenlow-[0-9]*-win32.zip package/Brenlow-devkit-*.zip <<'EOF'
import sys, zipfile
program, kit = ({name.lower() for name in zipfile.ZipFile(archive).namelist()} for archive in sys.argv[1:])
if program & kit:
    sys.exit("package: both archives hold " + ", ".join(sorted(program & kit)))
EOF

# A dump of a shipped program is read with the symbols archive's copy: each pair must be one build.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
for archive in package/Brenlow-[0-9]*-win32.zip package/Brenlow-devkit-*.zip package/*-symbols.zip; do
  python3 -m zipfile -e "$archive" "$unpacked/$(basename "$archive" .zip)"
done
for program in "$unpacked"/Brenlow-[0-9]*-win32/*.exe "$unpacked"/Brenlow-devkit-*/*.{exe,dll}; do
  python3 "$here/minidump.py" same-build "$program" "$unpacked"/*-symbols/"$(basename "$program")"
done
echo "package: archives in $BRENLOW_BUILD/package:"
ls -l package/*.zip
