# Sourced: puts the Wine loaders of this machine's route first on PATH and
# says which route that is, in wine_route:
#   native    the kernel runs 32-bit programs: Wine's own loaders;
#   emulated  it cannot ("Exec format error"): the loader tree that
#             scripts/install-wine-route.sh builds, whose `wine` runs the
#             32-bit loader under qemu-i386;
#   none      neither (scripts/install-deps.sh has not run).
# `wine` then runs 32-bit programs and `wine64` 64-bit ones.
# WINE32_ROUTE=emulated takes the emulated route on any machine (see
# scripts/install-wine-route.sh).
wine_route_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine32
if [ "${WINE32_ROUTE:-}" != emulated ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine_route=native
  PATH=/usr/lib/wine:$PATH
elif "$wine_route_dir/lib/wine/wine" --version >/dev/null 2>&1; then
  wine_route=emulated
  PATH=$wine_route_dir/lib/wine:$PATH
else
  wine_route=none
  PATH=/usr/lib/wine:$PATH
fi
export PATH
