#!/usr/bin/env bash
# Runs every benchmark program of a build folder under Wine, on a display.
# Usage: scripts/run-bench.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
if [ -z "${IN_DISPLAY:-}" ]; then
  IN_DISPLAY=1 exec "$here/with-display.sh" "$0" "$build"
fi
. "$here/wine-env.sh" "$build"
ensure_wine_prefix
start_wineserver
trap stop_wineserver EXIT
shopt -s nullglob
for bench in "$build"/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  $wine_native "$bench" </dev/null
done
