#!/usr/bin/env bash
# Runs a test program under Wine with a small, empty volume of its own as
# drive v: (a 64 KB tmpfs, so a test can fill it), named to the program in
# FOLDERS_FULL_VOLUME. Mounting needs root; where it is impossible the
# program runs without the drive, told why in FOLDERS_NO_FULL_VOLUME.
# Usage: scripts/with-full-volume.sh BUILD_DIR PROGRAM [arguments...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 program=$2
shift 2
. "$here/wine-env.sh" "$build"
volume="$build_dir/full-volume"
drive="$WINEPREFIX/dosdevices/v:"
release() {
  rm -f "$drive"
  mountpoint -q "$volume" && umount "$volume"
}
mkdir -p "$volume"
release
if why=$(mount -t tmpfs -o size=64k,mode=0777 tmpfs "$volume" 2>&1); then
  trap release EXIT
  ln -sfn "$volume" "$drive"
  export FOLDERS_FULL_VOLUME='v:'
else
  export FOLDERS_NO_FULL_VOLUME="cannot mount a 64 KB tmpfs for drive v: ($why)"
  echo "$FOLDERS_NO_FULL_VOLUME"
fi
"$wine_native" "$program" "$@"
