#!/usr/bin/env bash
# Runs one test program in a drive-isolated scan prefix of a build folder.
# Usage: scripts/run-scan-test.sh BUILD_DIR MODE PROGRAM [arguments...]
#   PROGRAM is a file of the build's bin folder, run from drive t:.
#   MODE fixed:  c: and d: are the fixed drives
#        none:   no fixed drive at all
#        answer: as fixed, and Uninstall's question is answered from outside
#                (for tests that reach it through the setup file)
#        fresh:  a new prefix made for this run, as fixed, with the staged
#                dist/ folder as drive s:
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 mode=$2 program=$3
shift 3
. "$here/wine-env.sh" "$build"
[ "$mode" = fresh ] && SCAN_ROOT="$build_dir/scan-fresh" && rm -rf "$SCAN_ROOT"
. "$here/scan-prefix.sh"
make_scan_prefix
if [ "$mode" = fresh ]; then
  ln -sfn "$here/../dist" "$WINEPREFIX/dosdevices/s:"
fi
set_scan_drive_types "$([ "$mode" = none ] && echo none || echo fixed)"
start_wineserver
trap stop_wineserver EXIT
if [ "$mode" = answer ]; then
  $wine_native 't:\uninstall_answerer.exe' 3600 </dev/null &
fi
$wine_native "t:\\$(basename "$program")" "$@" </dev/null
