#!/usr/bin/env bash
# Prints the build folder whose programs this machine can run: the 32-bit one
# when it can run 32-bit programs, else the 64-bit one, built from the same
# sources.
# Usage: scripts/runnable-build.sh BUILD_32 BUILD_64
here=$(cd "$(dirname "$0")" && pwd)
if "$here/runs-32bit.sh"; then
  echo "$1"
else
  echo "this machine cannot run 32-bit programs: using the 64-bit build $2" >&2
  echo "$2"
fi
