#!/usr/bin/env bash
# Runs one test program on a desk of two monitors: an X screen of its own
# with two heads (800 x 600, the primary, and 1024 x 768) joined by Xinerama,
# and a Wine prefix of its own whose X11 driver reads the monitors from
# Xinerama rather than XRandR (Xvfb's XRandR knows one output only).
# Usage: scripts/run-monitors-test.sh BUILD_DIR PROGRAM [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${IN_MONITORS:-}" ]; then
  unset DISPLAY
  IN_MONITORS=1 exec xvfb-run -a -s \
    "-screen 0 800x600x24 -screen 1 1024x768x24 +xinerama -nolisten tcp" "$0" "$@"
fi
build=$1 program=$2
shift 2
. "$here/wine-env.sh" "$build"
export WINEPREFIX="$build_dir/monitors/prefix"
# The driver reads the setting when the wineserver starts.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  ensure_wine_prefix
  start_wineserver
  $wine_native reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f </dev/null >/dev/null 2>&1
  stop_wineserver
  wineserver -w
fi
start_wineserver
trap stop_wineserver EXIT
$wine_native "$program" "$@" </dev/null
