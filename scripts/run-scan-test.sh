#!/usr/bin/env bash
# Runs one test program in the drive-isolated scan prefix of a build folder.
# Usage: scripts/run-scan-test.sh BUILD_DIR fixed|none PROGRAM [arguments...]
#   PROGRAM is a file of the build's bin folder, run from drive t:.
#   fixed: c: and d: are fixed drives; none: no fixed drive at all.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1"
. "$here/scan-prefix.sh"
mode=$2 program=$3
shift 3
make_scan_prefix
set_scan_drive_types "$mode"
start_wineserver
trap stop_wineserver EXIT
wine "t:\\$(basename "$program")" "$@" </dev/null
