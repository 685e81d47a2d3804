#!/usr/bin/env bash
# Runs every test of a build folder with ctest, under Wine on a display.
# Usage: scripts/run-tests.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1; shift
if [ -z "${IN_DISPLAY:-}" ]; then
  IN_DISPLAY=1 exec "$here/with-display.sh" "$0" "$build" "$@"
fi
. "$here/wine-env.sh" "$build"
ensure_wine_prefix
start_wineserver
trap stop_wineserver EXIT
ctest --test-dir "$build" --output-on-failure "$@"
