#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12.
# Quick when everything is already there: apt is only called for what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest
  wine wine32 wine64
  # Wine's X11 driver reads several monitors through Xinerama, in both widths.
  libxinerama1 libxinerama1:i386
  xvfb xserver-xephyr xauth xdotool x11-utils imagemagick
  python3
  # The setup packages, their signatures, and the same bytes from every build.
  wixl msitools faketime osslsigncode
  # The ARM64 build's resources and objects, and its Wine (scripts/install-arm64-route.sh).
  llvm-14 clang-14 debootstrap qemu-user-static patchelf
)
# zig comes from the npm registry; a node from elsewhere may bring its own npm.
command -v npm >/dev/null || packages+=(npm)

missing=()
arch_missing=0
dpkg --print-foreign-architectures | grep -qx i386 || arch_missing=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "$arch_missing" = 1 ] || [ "${#missing[@]}" != 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages: ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  [ "$arch_missing" = 0 ] || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Where the kernel cannot run 32-bit programs, the 32-bit Wine runs emulated.
"$here/install-wine-route.sh"
# The ARM64 build's compiler and Wine.
"$here/install-arm64-route.sh"
