#!/usr/bin/env bash
# Reads every dump that the crash tests kept (bin/kept-dumps/<way of dying>/, each beside an expected.txt)
# with scripts/read-dump.sh and the unstripped build, and checks what it prints: the exception by code and
# name, the module of the faulting address, the crashing thread the dump is named after, and the failing
# function in the backtrace. Then that an executable of another build and a file that is no dump are refused.
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

dumps=$(ls "$bin"/kept-dumps/*/Brenlow.exe*.dmp 2>/dev/null)
if [ -z "$dumps" ]; then
  echo "FAILED: the crash tests kept no dump in $bin/kept-dumps"
  exit 1
fi
for dump in $dumps; do
  way=$(basename "$(dirname "$dump")")
  program=$(sed -n 's/^program=//p' "$(dirname "$dump")/expected.txt")
  code=$(sed -n 's/^code=//p' "$(dirname "$dump")/expected.txt")
  function=$(sed -n 's/^function=//p' "$(dirname "$dump")/expected.txt")
  thread=${dump##*Brenlow.exe}
  thread=${thread%.dmp}
  echo "== $way"
  out=$(bash "$script" "$dump" "$bin/$program" 2>&1)
  status=$?
  echo "$out"
  check "$way: the dump is read" [ $status -eq 0 ]
  check "$way: the exception is $code, named" grep -qE "^Exception: *$code [A-Z]" <<<"$out"
  check "$way: the faulting address lies in a module" grep -qE '^Faulting address: 0x[0-9A-F]+ in [^ ]+\.(exe|dll) ' <<<"$out"
  check "$way: the crashing thread is the one the dump is named after" grep -q "^Crashing thread: *$thread " <<<"$out"
  check "$way: the backtrace names $function, with its file and line" \
    grep -qE "^(=>| ) *[0-9]+ 0x[0-9a-f]+ $function(\+0x[0-9a-f]+)?\(.*\) \[.*\.cpp:[0-9]+\]" <<<"$out"
done

dump=$(head -n 1 <<<"$dumps")
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
