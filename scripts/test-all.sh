#!/usr/bin/env bash
# Runs the tests of both builds, the second even when the first fails, and
# fails when either does.
# Usage: scripts/test-all.sh BUILD_32 BUILD_64
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-route.sh"
case $wine_route in
  native)   echo "== 32-bit Wine runs natively on this machine" ;;
  emulated) echo "== 32-bit Wine runs emulated, its loader under qemu-i386 ($wine_route_dir)" ;;
  *)        echo "== 32-bit Wine cannot run here: run scripts/install-deps.sh first" >&2; exit 1 ;;
esac
status=0
"$here/run-tests.sh" "$1" || status=1
"$here/run-tests.sh" "$2" || status=1
exit $status
