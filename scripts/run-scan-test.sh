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
#        package: as fresh, made and used by an unprivileged account of its
#                own (root hands the run to the account setup-test, which it
#                creates), with the setup packages of the next version as n:
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 mode=$2 program=$3
shift 3
account=setup-test
if [ "$mode" = package ] && [ "$(id -u)" = 0 ]; then
  # Both builds' suites may get here at once: one of them makes the account.
  id -u "$account" >/dev/null 2>&1 ||
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$account" ||
    id -u "$account" >/dev/null
  root="$(cd "$build" && pwd)/scan-package"
  rm -rf "$root"
  mkdir -p "$root"
  chown "$account:" "$root"
  # The account reaches the display with a copy of its key.
  if [ -n "${XAUTHORITY:-}" ]; then
    install -o "$account" -m 600 "$XAUTHORITY" "$root/xauthority"
    export XAUTHORITY="$root/xauthority"
  fi
  exec runuser -u "$account" -- env SCAN_ROOT="$root" "$0" "$build" "$mode" "$program" "$@"
fi
. "$here/wine-env.sh" "$build"
case $mode in
  fresh)   SCAN_ROOT="$build_dir/scan-fresh" && rm -rf "$SCAN_ROOT" ;;
  package) [ -n "${SCAN_ROOT:-}" ] || { SCAN_ROOT="$build_dir/scan-package" && rm -rf "$SCAN_ROOT"; } ;;
esac
. "$here/scan-prefix.sh"
make_scan_prefix
if [ "$mode" = fresh ] || [ "$mode" = package ]; then
  ln -sfn "$here/../dist" "$WINEPREFIX/dosdevices/s:"
fi
if [ "$mode" = package ]; then
  env -u SIGN_CERT -u SIGN_KEY -u SIGN_PKCS12 "$here/make-packages.sh" "$build_dir" "$here/../dist" "$scan_root/next" 1 >/dev/null
  ln -sfn "$scan_root/next" "$WINEPREFIX/dosdevices/n:"
fi
set_scan_drive_types "$([ "$mode" = none ] && echo none || echo fixed)"
start_wineserver
trap stop_wineserver EXIT
if [ "$mode" = answer ]; then
  $wine_native 't:\uninstall_answerer.exe' 3600 </dev/null &
fi
$wine_native "t:\\$(basename "$program")" "$@" </dev/null
