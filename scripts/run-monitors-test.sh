#!/usr/bin/env bash
# Runs one test program on a desk of two monitors side by side: the primary,
# 800 x 600, with a 1024 x 768 one to its left, so that the virtual screen
# starts at negative coordinates. Xephyr, nested in a virtual Xvfb screen,
# joins the two heads with Xinerama (its first head is the primary); a Wine
# prefix of its own has its X11 driver read them from Xinerama rather than
# XRandR, which knows one output only.
# Usage: scripts/run-monitors-test.sh BUILD_DIR PROGRAM [arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${IN_MONITORS:-}" ]; then
  unset DISPLAY
  IN_MONITORS=1 exec xvfb-run -a -n "${XVFB_FIRST:-99}" -s "-screen 0 1824x768x24 -nolisten tcp" "$0" "$@"
fi
build=$1 program=$2
shift 2
. "$here/wine-env.sh" "$build"
export WINEPREFIX="$build_dir/monitors/prefix"

number=$(mktemp)
Xephyr -displayfd 3 -origin 1024,0 -screen 800x600 -origin 0,0 -screen 1024x768 +xinerama \
  -nolisten tcp -no-host-grab 3>"$number" >/dev/null 2>&1 &
xephyr=$!
for _ in $(seq 100); do
  [ -s "$number" ] && break
  sleep 0.1
done
display=$(cat "$number")
rm -f "$number"
trap 'kill $xephyr' EXIT
[ -n "$display" ] || { echo "Xephyr did not start" >&2; exit 1; }
export DISPLAY=":$display"

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
trap 'stop_wineserver; kill $xephyr' EXIT
$wine_native "$program" "$@" </dev/null
