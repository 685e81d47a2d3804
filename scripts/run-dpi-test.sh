#!/usr/bin/env bash
# Runs one test program on a 2400 x 1600 screen scaled to 200 %: a virtual
# Xvfb screen, and a Wine prefix of its own whose LogPixels is 192, which Wine
# then reports as the DPI of every monitor.
# Usage: scripts/run-dpi-test.sh BUILD_DIR PROGRAM [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${IN_DPI_SCREEN:-}" ]; then
  unset DISPLAY
  IN_DPI_SCREEN=1 exec xvfb-run -a -n "${XVFB_FIRST:-99}" -s "-screen 0 2400x1600x24 -nolisten tcp" "$0" "$@"
fi
build=$1 program=$2
shift 2
. "$here/wine-env.sh" "$build"
export WINEPREFIX="$build_dir/dpi/prefix"

# Wine reads the setting when the wineserver starts.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  ensure_wine_prefix
  start_wineserver
  for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    $wine_native reg add "$key" /v LogPixels /t REG_DWORD /d 192 /f </dev/null >/dev/null 2>&1
  done
  stop_wineserver
  wineserver -w
fi
start_wineserver
trap stop_wineserver EXIT
$wine_native "$program" "$@" </dev/null
