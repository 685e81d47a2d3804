#!/usr/bin/env bash
# Runs the tests of both builds side by side, each on its own virtual screen
# and in its own Wine prefixes, each line marked with its build; then reports
# both, and fails when either fails.
# Usage: scripts/test-all.sh BUILD_32 BUILD_64
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-route.sh"
case $wine_route in
  native)   echo "== 32-bit Wine runs natively on this machine" ;;
  emulated) echo "== 32-bit Wine runs emulated, its loader under qemu-i386 ($wine_route_dir)" ;;
  *)        echo "== 32-bit Wine cannot run here: run scripts/install-deps.sh first" >&2; exit 1 ;;
esac
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# Each suite looks for free display numbers in a range of its own: two
# xvfb-run started at the same moment would otherwise both take the first.
run_suite() {
  local build=$1 first_display=$2 name
  name=$(basename "$build")
  set -o pipefail
  XVFB_FIRST=$first_display "$here/run-tests.sh" "$build" 2>&1 | tee "$logs/$name" | sed -u "s|^|[$name] |"
}
run_suite "$1" 100 & first=$!
run_suite "$2" 200 & second=$!
status=0
wait $first || status=1
wait $second || status=1
for build in "$1" "$2"; do
  echo "== $build"
  sed -n '/tests passed, /,$p' "$logs/$(basename "$build")"
done
exit $status
