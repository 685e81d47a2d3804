#!/usr/bin/env bash
# Sets up the emulated route to 32-bit Wine on a machine whose kernel cannot
# run 32-bit programs; does nothing where it can, or where the route is there.
#
# Only Debian's 32-bit Wine loader runs under the user-mode emulator
# qemu-i386 (QEMU 10, from Debian's bookworm-backports); wineserver and every
# 64-bit process stay native. The loader tree build/wine32/ holds:
#   qemu-i386  unpacked from the qemu-user package, which is not installed
#              (no binfmt handler is registered, /etc/apt is left alone);
#   wine       runs the 32-bit loader under qemu-i386 and names itself as the
#              loader's argv[0], so that the processes Wine starts come back
#              through it when the kernel refuses the loader;
#   wine64     a copy of the 64-bit loader, which starts a 32-bit program
#              through the `wine` of its own folder.
# WINE32_ROUTE=emulated builds and takes this route on a machine that could
# run the loader natively too; there Wine re-executes its loader natively
# after the first step of each process, so that checks the set-up, not the
# emulation.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-route.sh"
[ "$wine_route" = none ] || exit 0

echo "setting up 32-bit Wine under qemu-i386 in $wine_route_dir"
rm -rf "$wine_route_dir"
apt_dir="$wine_route_dir/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main" \
  >"$apt_dir/sources.list"
touch "$apt_dir/status"
apt_side=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::State::Status=$apt_dir/status"
          -o "Dir::Cache=$apt_dir/cache" -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get -q "${apt_side[@]}" update >/dev/null
(cd "$apt_dir" && apt-get -q "${apt_side[@]}" download qemu-user >/dev/null)
dpkg-deb --fsys-tarfile "$apt_dir"/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 >"$wine_route_dir/qemu-i386"
rm -rf "$apt_dir"
chmod +x "$wine_route_dir/qemu-i386"
cp /usr/lib/wine/wine64 "$wine_route_dir/wine64"
cat >"$wine_route_dir/wine" <<'LOADER'
#!/bin/sh
here=$(dirname "$(readlink -f "$0")")
exec "$here/qemu-i386" -0 "$here/wine" /usr/lib/wine/wine "$@"
LOADER
chmod +x "$wine_route_dir/wine"
"$wine_route_dir/wine" --version
