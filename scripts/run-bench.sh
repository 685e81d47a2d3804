#!/usr/bin/env bash
# Runs every benchmark program of a build folder under Wine, on a display.
# Prints the figures only: Wine's own messages go to BUILD_DIR/bench.log.
# With MINUTES, only the frame rate is measured, over a run of the show that
# long: the cost of its first minute beside that of its last.
# Usage: scripts/run-bench.sh BUILD_DIR [MINUTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
minutes=${2:-}
if [ -z "${IN_DISPLAY:-}" ]; then
  IN_DISPLAY=1 exec "$here/with-display.sh" "$0" "$build" $minutes
fi
. "$here/wine-env.sh" "$build"
ensure_wine_prefix
start_wineserver
trap stop_wineserver EXIT
log="$build_dir/bench.log"
: >"$log"
if [ "$wine_arm64" = 1 ]; then
  echo "==== $build: ARM64 programs, the arm64 Wine emulated by qemu-aarch64:"
  echo "==== times say nothing about native speed; ratios within this build hold"
elif [ "$WINEARCH" = win32 ] && [ "$wine_route" = emulated ]; then
  echo "==== $build: 32-bit programs, Wine's loader emulated by qemu-i386:"
  echo "==== times say little about native speed; ratios within this build hold"
elif [ "$WINEARCH" = win32 ]; then
  echo "==== $build: 32-bit programs, run natively"
else
  echo "==== $build: 64-bit programs, run natively"
fi
if [ -n "$minutes" ]; then
  echo "== frame_rate_bench --minutes $minutes"
  $wine_native "$build_dir/bin/frame_rate_bench.exe" --minutes "$minutes" </dev/null 2>>"$log"
  exit
fi
shopt -s nullglob
for bench in "$build_dir"/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  $wine_native "$bench" </dev/null 2>>"$log"
done
