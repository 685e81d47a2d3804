#!/usr/bin/env bash
# Renders every figure with the show's own code and assembles one labelled
# contact sheet, DIST/figures.png.
# Usage: scripts/gallery.sh BUILD_DIR DIST_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
dist=$2
if [ -z "${IN_DISPLAY:-}" ]; then
  IN_DISPLAY=1 exec "$here/with-display.sh" "$0" "$build" "$dist"
fi
. "$here/wine-env.sh" "$build"
ensure_wine_prefix
start_wineserver
trap stop_wineserver EXIT

frames="$build_dir/gallery"
rm -rf "$frames"
mkdir -p "$frames" "$dist"
$wine_native "$build_dir/bin/gallery.exe" "$($wine_native winepath -w "$frames")" </dev/null

# Each tile is the whole 600 x 400 surface at full size: scaling would blur
# single-pixel points into the background.
tile() {
  convert "$frames/$1.bmp" -bordercolor gray25 -border 1 "$frames/$1.png"
  tiles+=(-label "$2" "$frames/$1.png")
}
tiles=()
for n in $(seq 0 36); do
  tile "figure-$(printf %02d "$n")" "$n"
done
tile collapse collapse
tile burst burst
montage -background black -fill white -font DejaVu-Sans -pointsize 18 "${tiles[@]}" \
  -tile 8x -geometry +4+4 "$dist/figures.png"
echo "wrote $dist/figures.png"
