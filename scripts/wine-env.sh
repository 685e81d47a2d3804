# Sourced by the other scripts: an isolated Wine prefix under the build folder,
# quiet, and without the Mono/Gecko installers.
# Usage: . scripts/wine-env.sh BUILD_DIR
build_dir=$(cd "${1:?build folder}" && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine-route.sh"
export WINEPREFIX="$build_dir/wineprefix"
# A 64-bit build runs in a 64-bit prefix (wine64), the 32-bit one in win32;
# the ARM64 build under the arm64 Wine (scripts/arm64-wine), emulated.
wine_arm64=0
if grep -qs '^CMAKE_TOOLCHAIN_FILE:.*aarch64' "$build_dir/CMakeCache.txt"; then
  PATH=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/arm64-wine:$PATH
  # A program's first start there takes seconds: the tests wait longer.
  export TEST_TIME_SCALE=3
  wine_arm64=1
  export WINEARCH=win64
  wine_native=wine64
elif grep -qs '^CMAKE_LINKER:.*x86_64-w64-mingw32' "$build_dir/CMakeCache.txt"; then
  export WINEARCH=win64
  wine_native=wine64
else
  export WINEARCH=win32
  wine_native=wine
  # The 32-bit loader under qemu-i386 is up to ten times slower.
  [ "$wine_route" != emulated ] || export TEST_TIME_SCALE=10
fi
# Wine's own tools in the prefix's native width (a 32-bit reg.exe would write
# to the 32-bit view of the registry).
wine_boot="$wine_native wineboot"
export WINEDEBUG=-all
# winedbg=d: a crash ends the process at once instead of waiting on Wine's
# crash dialog.
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=d"
# Non-ASCII file names pass between Wine and the file system in UTF-8,
# whatever the caller's environment says.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# Creates the prefix once; later runs reuse it.
ensure_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating Wine prefix $WINEPREFIX"
    $wine_boot -i </dev/null >/dev/null 2>&1
    wineserver -w
  fi
}

# A persistent, warmed wineserver: otherwise Wine's services inherit the
# caller's pipes (ctest then waits for them forever) and every process pays
# the start-up.
start_wineserver() {
  wineserver -p
  $wine_native cmd /c exit </dev/null >/dev/null 2>&1
}

stop_wineserver() {
  wineserver -k 2>/dev/null || true
}
