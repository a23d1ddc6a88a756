#!/bin/sh
# Renders the bitmaps of the resources from their SVG sources. The PNG files are kept
# in the repository, so a build needs no renderer; run this after changing a source.
# Needs rsvg-convert (Debian package librsvg2-bin); falls back to ImageMagick's convert.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

render() {  # render SOURCE WIDTH HEIGHT TARGET
  if command -v rsvg-convert >/dev/null 2>&1; then
    rsvg-convert --width "$2" --height "$3" --format png --output "$4" "$1"
  else
    convert -background none -density 96 "$1" -resize "${2}x${3}!" "PNG32:$4"
  fi
  echo "$4"
}

render src/splash.svg 360 300 splash/splash.png
render icons/muralix.svg 256 256 icons/muralix.png
render src/cursor-main.svg 32 32 cursors/Main.png
render src/cursor-grabhand.svg 32 32 cursors/GRABHAND.png

# The hot spots, "x y" in pixels of the 32 x 32 cursors.
printf '2 1\n' > cursors/Main.hotspot
printf '16 16\n' > cursors/GRABHAND.hotspot

# The program's icon in the desktop's icon theme, at the usual sizes, scaled down from the
# 256-pixel rendering (the SVG is installed as it is too). Needs ImageMagick's convert.
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/hicolor/${size}x${size}"
  convert icons/muralix.png -filter Lanczos -resize "${size}x${size}" \
    "PNG32:icons/hicolor/${size}x${size}/muralix.png"
  echo "icons/hicolor/${size}x${size}/muralix.png"
done
