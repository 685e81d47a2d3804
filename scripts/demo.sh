#!/usr/bin/env bash
# Shows the screen saver from dist/. On a real display it runs until a key is
# pressed. Without one it runs on a virtual screen, saves screenshots to
# dist/demo/, presses a key itself and reports how the program ended.
# Usage: scripts/demo.sh BUILD_DIR DIST_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
dist=$(cd "$2" && pwd)
. "$here/wine-env.sh" "$build"
saver="$dist/saver.scr"

if [ -z "${IN_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  ensure_wine_prefix
  echo "Showing the screen saver on $DISPLAY; press a key or click to end it."
  set +e
  $wine_native "$saver" /s
  echo "saver.scr ended with exit code $?"
  exit 0
fi
if [ -z "${IN_DISPLAY:-}" ]; then
  unset DISPLAY
  IN_DISPLAY=1 SCREEN_SIZE=800x600 exec "$here/with-display.sh" "$0" "$@"
fi

shots="$dist/demo"
rm -rf "$shots"
mkdir -p "$shots"
ensure_wine_prefix
start_wineserver
trap stop_wineserver EXIT

snap() {
  import -window root "$shots/$1.png"
  echo "  saved $shots/$1.png"
}

# Waits up to $2 seconds for process $1 to end; prints its exit code.
wait_for_end() {
  local pid=$1 waited=0
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt "$2" ]; do
    sleep 1
    waited=$((waited + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "  the program did not end within $2 s"
    kill "$pid"
    return 1
  fi
  set +e
  wait "$pid"
  local code=$?
  set -e
  echo "  the program ended with exit code $code"
  [ "$code" = 0 ]
}

echo "Full-screen show of $saver on a virtual 800 x 600 screen (32-bit Wine: $wine_route):"
$wine_native "$saver" /s 2>>"$shots/wine.log" &
show=$!
sleep 3
for n in 1 2 3 4; do
  snap "show-$n"
  sleep 2
done
echo "  pressing a key"
xdotool key space
sleep 0.4
snap closing
show_ok=0
wait_for_end "$show" 20 || show_ok=1

echo "About box:"
$wine_native "$saver" /c 2>>"$shots/wine.log" &
about=$!
sleep 3
snap about
echo "  pressing Enter"
xdotool key Return
about_ok=0
wait_for_end "$about" 10 || about_ok=1

exit $((show_ok | about_ok))
