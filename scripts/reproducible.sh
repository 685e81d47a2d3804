#!/usr/bin/env bash
# Builds the checked-out commit a second time, from a fresh clone in another
# folder, and compares that dist/ with DIST byte for byte, file by file.
# Usage: scripts/reproducible.sh DIST
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/.." && pwd)
dist=$(cd "$1" && pwd)
if [ -n "$(git -C "$source" status --porcelain --untracked-files=no)" ]; then
  echo "reproducible.sh: the work tree has uncommitted changes; the clone would build the commit" >&2
fi
other=$(mktemp -d /tmp/reproducible.XXXXXX)
trap 'rm -rf "$other"' EXIT
git clone -q "$source" "$other/elsewhere"
git -C "$other/elsewhere" checkout -q "$(git -C "$source" rev-parse HEAD)"
# The tests are not shipped: the second build leaves them out.
for preset in i686 x64 arm64; do
  (cd "$other/elsewhere" && cmake --preset $preset -DBUILD_TESTING=OFF) >"$other/build.log" 2>&1
done
make -C "$other/elsewhere" dist >>"$other/build.log" 2>&1 || { tail -20 "$other/build.log"; exit 1; }
# The ARM64 build's PDBs name the folders they were built in (the linker
# records absolute paths, and zig 0.11 takes no option that would change
# that): they are the same bytes only from the same folder, and are left out.
sums() {
  grep -v ' arm64/symbols/.*\.pdb$' "$1/SHA256SUMS"
}
if diff <(sums "$dist") <(sums "$other/elsewhere/dist"); then
  (cd "$other/elsewhere/dist" && sha256sum --quiet -c SHA256SUMS)
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS)
  echo "the same bytes: $(sums "$dist" | wc -l) files of $dist (not the ARM64 PDBs, which name the build folder)"
else
  echo "FAILED: a build in $other/elsewhere gives other files (lines above: < here, > there)"
  exit 1
fi
