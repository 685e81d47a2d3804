#!/usr/bin/env bash
# Runs the tests of every build side by side, each line marked with its lane;
# then reports every lane, and fails when any fails.
# Each build's tests run in two lanes at once, each on its own virtual screen:
# those that share the build's Wine prefix, one after the other, and those
# that make a prefix (and a screen or a desk) of their own (label own_prefix).
# The lanes spend most of their time waiting for Wine and X, not computing.
# The ARM64 build's lanes first set up the arm64 Wine (where it is missing)
# and build the tests; then its programs run under that Wine, emulated.
# Usage: scripts/test-all.sh BUILD_32 BUILD_64 [BUILD_ARM64]
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-route.sh"
case $wine_route in
  native)   echo "== 32-bit Wine runs natively on this machine" ;;
  emulated) echo "== 32-bit Wine runs emulated, its loader under qemu-i386 ($wine_route_dir)" ;;
  *)        echo "== 32-bit Wine cannot run here: run scripts/install-deps.sh first" >&2; exit 1 ;;
esac
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

shared_prefix_tests() {
  "$here/run-tests.sh" "$1" -LE own_prefix
}

# The ARM64 lanes share one set-up and one build: the first lane makes them,
# the others wait for its word in the file $2. Emulated, the tests with a
# prefix of their own take longest: they run in two lanes, the setup
# walkthrough and the packages (each in a fresh prefix) beside the others.
arm64_ready() {
  "$here/install-arm64-route.sh" wine && nice cmake --build "$1"
}

arm64_shared_prefix_tests() {
  local ready=$2
  arm64_ready "$1" && echo ok >"$ready" || { echo failed >"$ready"; return 1; }
  shared_prefix_tests "$1"
}

arm64_own_prefix_tests() {
  local ready=$2
  while [ ! -s "$ready" ]; do sleep 2; done
  [ "$(cat "$ready")" = ok ] || { echo "the ARM64 build or its Wine is not ready: no tests run"; return 1; }
  own_prefix_tests "$1" "${@:3}"
}

# Their scripts make and start their own prefixes: the build's shared
# wineserver, which the other lane uses, is left alone.
own_prefix_tests() {
  "$here/with-display.sh" ctest --test-dir "$1" --output-on-failure -L own_prefix "${@:2}"
}

# Each lane looks for free display numbers in a range of its own: two
# xvfb-run started at the same moment would otherwise both take the first.
run_lane() {
  local name=$1 first_display=$2
  shift 2
  set -o pipefail
  XVFB_FIRST=$first_display "$@" 2>&1 | tee "$logs/$name" | sed -u "s|^|[$name] |"
}

lanes=()
pids=()
first_display=${XVFB_FIRST:-100}
for build in "$1" "$2"; do
  name=$(basename "$build")
  run_lane "$name" $first_display shared_prefix_tests "$build" & pids+=($!)
  run_lane "$name own" $((first_display + 50)) own_prefix_tests "$build" & pids+=($!)
  lanes+=("$name" "$name own")
  first_display=$((first_display + 100))
done
if [ -n "${3:-}" ]; then
  name=$(basename "$3")
  run_lane "$name" $first_display arm64_shared_prefix_tests "$3" "$logs/arm64-ready" & pids+=($!)
  setup='folders_readme_walkthrough|^packages$'
  run_lane "$name own" $((first_display + 50)) arm64_own_prefix_tests "$3" "$logs/arm64-ready" -E "$setup" & pids+=($!)
  run_lane "$name setup" $((first_display + 75)) arm64_own_prefix_tests "$3" "$logs/arm64-ready" -R "$setup" & pids+=($!)
  lanes+=("$name" "$name own" "$name setup")
fi
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
for lane in "${lanes[@]}"; do
  echo "== $lane"
  sed -n '/tests passed, /,$p' "$logs/$lane"
done
exit $status
