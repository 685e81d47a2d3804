#!/usr/bin/env bash
# Builds the setup packages from the staged files, the same bytes from the
# same files every time: dist/saver.msi, dist/folders.msi (32-bit Windows),
# dist/x64/folders.msi (64-bit Windows), and dist/arm64/saver.msi and
# dist/arm64/folders.msi (ARM64 Windows) when the ARM64 build is staged.
# Usage: scripts/make-packages.sh BUILD_32 DIST [OUT VERSION_SUFFIX]
#   BUILD_32 is the 32-bit build folder, which holds the products' icons.
#   OUT and VERSION_SUFFIX make packages of a later version into OUT instead
#   (the upgrade test's "next version": the same files, VERSION.SUFFIX).
# SIGN_CERT/SIGN_KEY or SIGN_PKCS12 sign the packages (scripts/sign.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/.." && pwd)
build=$(cd "$1" && pwd)
dist=$(cd "$2" && pwd)
out=${3:-$dist}
suffix=${4:+.$4}
# Every time wixl and the cabinet record (the package's dates, the files'
# dates inside it) is the commit's, so a package depends only on its files.
export TZ=UTC
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A value of a version resource's string table.
resource_value() {
  sed -n "s/.*VALUE \"$2\", \"\\([^\"]*\\)\".*/\\1/p" "$1"
}

# Codes that stay the same for the same input and change with it: the
# product code with the version and the width (a major upgrade needs a new
# one), the package code with every byte the package holds.
code_of() {
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$1" "$2"
}

# package WXS SQL OUTPUT RC ARCH ICON FILES...: FILES of DIST, ICON of BUILD_32.
# A file given as FROM=TO is staged under another name. wixl has no ARM64
# target: an arm64 package is the x64 one, staged with the ARM64 binaries in
# the x64 ones' places, and marked for ARM64 Windows in its summary, which
# Windows Installer reads (an x64 Windows refuses it).
package() {
  local wxs=$1 sql=$2 output=$3 rc=$4 arch=$5 icon=$6 wixl_arch=$5
  shift 6
  [ "$arch" = arm64 ] && wixl_arch=x64
  local stage="$work/$(basename "$output" .msi)-$arch" file
  mkdir -p "$stage/x64"
  cp "$build/$icon" "$stage/"
  for file in "$@"; do
    cp "$dist/${file%%=*}" "$stage/${file#*=}"
  done
  find "$stage" -exec touch -h -d "@$epoch" {} +
  local version maker upgrade
  version=$(resource_value "$rc" ProductVersion)$suffix
  maker=$(resource_value "$rc" CompanyName)
  upgrade=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$wxs")
  local product sums
  product=$(code_of "$upgrade" "$version $arch")
  sums=$(cd "$stage" && find . -type f | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -c1-64)
  mkdir -p "$(dirname "$output")"
  # wixl finds the files relative to its source.
  cp "$wxs" "$stage/package.wxs"
  (cd "$stage" && faketime -f "@$(date -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" \
    wixl -a "$wixl_arch" -D Arch="$wixl_arch" -D Version="$version" -D Maker="$maker" -D ProductCode="$product" \
      -o package.msi package.wxs)
  mv "$stage/package.msi" "$output"
  fix_package "$output" "$sql" "{$(code_of "$upgrade" "$version $arch $sums $(sha256sum <"$wxs")")}" "$arch"
  "$here/sign.sh" "$output"
}

# What wixl 0.101 writes wrongly or cannot express, and its random package
# code: HKMU comes out as root 4 (Windows Installer's is -1, HKCU for one user
# and HKLM for all), binary values lack their #x mark, the removal of an older
# version lands anywhere in the sequence (it ignores MajorUpgrade's Schedule;
# here it comes before anything is installed, as that schedule
# afterInstallValidate has it), components have no conditions (SQL, beside
# the package's source).
fix_package() {
  local msi=$1 sql=$2 code=$3 arch=$4 queries=() line
  queries+=(-q "UPDATE Registry SET Root = -1 WHERE Root = 4")
  queries+=(-q "UPDATE Registry SET Value = '#x360100E0' WHERE Name = 'Attributes' AND Value = '360100E0'")
  queries+=(-q "UPDATE InstallExecuteSequence SET Sequence = 1401 WHERE Action = 'RemoveExistingProducts'")
  # Windows Installer gives an ARM64 package System64Folder (System32) and
  # SystemFolder (SysWOW64, the 32-bit one) as on x64; Wine 8's gives it no
  # System64Folder, and System32 as SystemFolder. The folders' own names mean
  # the same to both.
  if [ "$arch" = arm64 ]; then
    queries+=(-q "UPDATE CustomAction SET Target = '[WindowsFolder]System32\\' WHERE Action = 'LibraryInSystemFolder'")
    queries+=(-q "UPDATE CustomAction SET Target = '[WindowsFolder]SysWOW64\\' WHERE Action = 'Library32InSystemFolder'")
  fi
  if [ -f "$sql" ]; then
    while IFS= read -r line; do
      [ -n "$line" ] && queries+=(-q "$line")
    done <"$sql"
  fi
  local title author template
  title=$(msiinfo suminfo "$msi" | sed -n 's/^Subject: //p')
  author=$(msiinfo suminfo "$msi" | sed -n 's/^Author: //p')
  template=$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')
  [ "$arch" = arm64 ] && template="Arm64;${template#*;}"
  msibuild "$msi" "${queries[@]}" -s "$title" "$author" "$template" "$code"
}

package "$source/saver/res/saver.wxs" "$source/saver/res/saver.sql" "$out/saver.msi" \
  "$source/saver/res/saver.rc" x86 saver/saver.ico saver.scr vorant.wav
package "$source/folders/res/folders.wxs" none "$out/folders.msi" \
  "$source/folders/res/folders.rc" x86 folders/product.ico folders.dll
package "$source/folders/res/folders.wxs" none "$out/x64/folders.msi" \
  "$source/folders/res/folders.rc" x64 folders/product.ico folders.dll x64/folders.dll
if [ -f "$dist/arm64/folders.dll" ]; then
  package "$source/saver/res/saver.wxs" "$source/saver/res/saver.sql" "$out/arm64/saver.msi" \
    "$source/saver/res/saver.rc" arm64 saver/saver.ico arm64/saver.scr=saver.scr arm64/vorant.wav=vorant.wav
  package "$source/folders/res/folders.wxs" none "$out/arm64/folders.msi" \
    "$source/folders/res/folders.rc" arm64 folders/product.ico folders.dll arm64/folders.dll=x64/folders.dll
fi
