#!/bin/sh
# Starts the built program. The sample poster's picture is put into the picture folder
# beside the program first. Without a display, shows what the program does with the
# sample poster through its command-line modes instead of opening a window.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
bin="$here/build/bin"
mkdir -p "$bin/images"
cp -n "$here"/examples/images/* "$bin/images/" 2>/dev/null || true
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/muralix" "$@"
fi
poster="$here/examples/affiche-exemple.aff"
out="$here/build/affiche-exemple.pdf"
echo "No display: the sample poster through Muralix's command-line modes."
"$bin/muralix" "$poster" --info
"$bin/muralix" "$poster" --print-to "$out"
echo "Printed the sample poster to $out"
