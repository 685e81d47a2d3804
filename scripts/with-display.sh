#!/usr/bin/env bash
# Runs a command with an X display: the one we have, or a virtual Xvfb screen.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
unset DISPLAY
exec xvfb-run -a -n "${XVFB_FIRST:-99}" -s "-screen 0 ${SCREEN_SIZE:-1024x768}x24 -nolisten tcp" "$@"
