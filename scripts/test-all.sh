#!/usr/bin/env bash
# Runs the tests of both builds, the second even when the first fails, and
# fails when either does. A machine that cannot run 32-bit programs runs the
# same tests against the 64-bit build only, and says so.
# Usage: scripts/test-all.sh BUILD_32 BUILD_64
here=$(cd "$(dirname "$0")" && pwd)
status=0
if "$here/runs-32bit.sh"; then
  "$here/run-tests.sh" "$1" || status=1
else
  echo "== this machine cannot run 32-bit programs (its kernel has no IA-32"
  echo "== emulation): the tests of $1 are skipped; the same tests run"
  echo "== against the 64-bit build $2"
fi
"$here/run-tests.sh" "$2" || status=1
exit $status
