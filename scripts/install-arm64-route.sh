#!/usr/bin/env bash
# Sets up the ARM64 build's compiler, or its test platform; quick when there.
# Usage: scripts/install-arm64-route.sh [compiler|wine]
#
#   build/zig/          the compiler: zig 0.11.0 (MinGW-w64 runtime, libc++ and
#                       compiler-rt for aarch64-windows-gnu, all in one static
#                       program), installed with `npm ci` from
#                       cmake/zig/package-lock.json, which pins its version
#                       and integrity hash;
#   build/arm64-root/   an arm64 Debian 12 root (debootstrap) holding Debian's
#                       arm64 Wine, whose programs run under the user-mode
#                       emulator qemu-aarch64-static, registered with the
#                       kernel's binfmt_misc as root (scripts/arm64-route.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/arm64-route.sh"

install_zig() {
  [ -x "$zig" ] && return 0
  echo "installing zig into $zig_dir"
  rm -rf "$zig_dir"
  mkdir -p "$zig_dir"
  cp "$arm64_source/cmake/zig/package.json" "$arm64_source/cmake/zig/package-lock.json" "$zig_dir/"
  (cd "$zig_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  "$zig" version
}

# Debian's registration of the emulator (its F flag opens the emulator once,
# at registration: it then runs arm64 programs in any root, for any account).
register_emulator() {
  [ -e /proc/sys/fs/binfmt_misc/register ] ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] ||
    cat /usr/lib/binfmt.d/qemu-aarch64.conf >/proc/sys/fs/binfmt_misc/register
}

# A private mount namespace: the root's /proc goes away with the command.
in_root() {
  unshare -m sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' "$arm64_root" "$@"
}

# The X libraries that Wine's X11 driver loads when they are there, as on
# this machine: several monitors come through Xinerama.
x11_libraries=(libxinerama1 libxrandr2 libxcursor1 libxi6 libxcomposite1 libxrender1 libxfixes3 libxxf86vm1)

# Debian's own Wine for arm64, in a root of its own: the second stage and
# apt run there under the emulator.
install_root() {
  [ -e "$arm64_root/.ready" ] && return 0
  echo "setting up an arm64 Debian root with Wine in $arm64_root"
  rm -rf "$arm64_root"
  debootstrap --foreign --arch=arm64 --variant=minbase bookworm "$arm64_root" http://deb.debian.org/debian >/dev/null
  in_root /debootstrap/debootstrap --second-stage >/dev/null
  cp /etc/resolv.conf "$arm64_root/etc/resolv.conf"
  in_root apt-get -q update >/dev/null
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wine wine64 \
    "${x11_libraries[@]}" >/dev/null
  in_root apt-get clean
  use_root_loader
  "$arm64_source/scripts/arm64-wine/wine64" --version
  touch "$arm64_root/.ready"
}

# Wine's two programs load their libraries through the root's dynamic loader
# (the emulator itself then looks up no path in the root, so every path means
# the same file to Wine as to everything else here), and the root's
# wineserver script would start this machine's x86-64 server.
use_root_loader() {
  local loader=$arm64_root/usr/lib/aarch64-linux-gnu/ld-linux-aarch64.so.1 program
  for program in wine64 wineserver64; do
    patchelf --set-interpreter "$loader" "$arm64_root/usr/lib/wine/$program"
  done
  ln -sfn wineserver64 "$arm64_root/usr/lib/wine/wineserver"
}

# The compiler comes with the other prerequisites (scripts/install-deps.sh);
# the Wine only before tests or benchmarks run ("wine").
case ${1:-compiler} in
  compiler) install_zig ;;
  wine)     register_emulator && install_root ;;
  *)        echo "usage: $0 [compiler|wine]" >&2; exit 2 ;;
esac
