#!/usr/bin/env bash
# Sets up the emulated route to 32-bit Wine on a machine whose kernel cannot
# run 32-bit programs; does nothing where it can, or where the route is there.
#
# Only Debian's 32-bit Wine loader runs under the user-mode emulator
# qemu-i386 (QEMU 10, from Debian's bookworm-backports); wineserver and every
# 64-bit process stay native. Wine finds its libraries and data, and the
# loader of every process it starts, beside the running loader, so the tree
# build/wine32/ mirrors the system's /usr/lib and /usr/share:
#   qemu-i386           unpacked from the qemu-user package, which is not
#                       installed (no binfmt handler is registered, /etc/apt
#                       is left alone);
#   lib/wine/wine       runs lib/wine/wine-i386 under qemu-i386, naming itself
#                       as the loader's argv[0], so every 32-bit process that
#                       Wine starts comes back through it;
#   lib/wine/wine-i386  a copy of the 32-bit loader;
#   lib/wine/wine64     a copy of the 64-bit loader, which starts a 32-bit
#                       program through the `wine` of its own folder;
#   lib/*-linux-gnu, share
#                       links to the system's, where the loaders look for
#                       Wine's libraries and data.
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
loaders="$wine_route_dir/lib/wine"
mkdir -p "$loaders"
cp /usr/lib/wine/wine "$loaders/wine-i386"
cp /usr/lib/wine/wine64 "$loaders/wine64"
ln -s /usr/lib/i386-linux-gnu "$wine_route_dir/lib/i386-linux-gnu"
ln -s /usr/lib/x86_64-linux-gnu "$wine_route_dir/lib/x86_64-linux-gnu"
ln -s /usr/share "$wine_route_dir/share"
cat >"$loaders/wine" <<'LOADER'
#!/bin/sh
here=$(dirname "$(readlink -f "$0")")
exec "$here/../../qemu-i386" -0 "$here/wine" "$here/wine-i386" "$@"
LOADER
chmod +x "$loaders/wine"
"$loaders/wine" --version
