#!/usr/bin/env bash
# Reads the dump that the whole-program crash test kept (of the stripped program) with
# scripts/read-dump.sh and the unstripped build, and checks what it prints; then that an executable of
# another build and a file that is no dump are refused.
#   read-dump-test.sh <build output folder>
set -uo pipefail
bin=$1
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/read-dump.sh
passed=0 failed=0
check() { # what, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what"
    failed=$((failed + 1))
  fi
}

dump=$(ls "$bin"/e2e-crash/Brenlow.exe*.dmp 2>/dev/null | head -n 1)
if [ -z "$dump" ]; then
  echo "FAILED: the crash test kept no dump in $bin/e2e-crash"
  exit 1
fi
thread=${dump##*Brenlow.exe}
thread=${thread%.dmp}

out=$(bash "$script" "$dump" "$bin/Brenlow.exe" 2>&1)
status=$?
echo "$out"
check "the dump is read" [ $status -eq 0 ]
check "the exception is named" grep -q '^Exception: *0xC0000005 EXCEPTION_ACCESS_VIOLATION' <<<"$out"
check "the faulting module is the launcher" grep -q '^Faulting address: 0x[0-9A-F]* in tarn_launcher.dll' <<<"$out"
check "the crashing thread is the one the dump is named after" grep -q "^Crashing thread: *$thread " <<<"$out"
check "the crashing function is named, with its file and line" \
  grep -qE '^=>0 0x[0-9a-f]+ WriteThroughNull\(\) \[.*TarnLauncher\.cpp:[0-9]+\]' <<<"$out"

out=$(bash "$script" "$dump" "$bin/moorwake_dedicated_server_nullrenderer.exe" 2>&1)
status=$?
check "another build is refused" [ $status -eq 3 ]
check "the refusal says why" grep -q 'is not the build that wrote this dump' <<<"$out"

out=$(bash "$script" "$bin/Brenlow.exe" 2>&1)
status=$?
check "a file that is no dump is refused" [ $status -eq 2 ]
check "the error says so" grep -q 'is not a minidump' <<<"$out"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
