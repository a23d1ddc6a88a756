#!/bin/bash
# Makes the README's screenshots of Muralix on a virtual screen:
#   main-window.png            the main window with the sample poster open,
#   format-dialog.png          the poster format dialog in front of it,
#   format-dialog-options.png  the dialog with a glue overlap, sheet numbers and the map,
#   image-dialog.png           the image choice dialog previewing the sample picture,
# and, from the command line, two printed pages of the sample poster with those options:
#   printed-map.png            the assembly map, the first page,
#   printed-sheet.png          the first sheet, its number in its glue strip,
#   printed-number.png         that number, up close.
#
# Usage: tools/screenshots.sh [program folder (build/bin)] [output folder (docs/images)]
# SCREENSHOT_DISPLAY=N puts the virtual screen on display :N rather than the first free one.
#
# Needs Xvfb, openbox, xdotool, x11-utils (xprop, xwininfo) and ImageMagick's import. The
# program runs from a copy of its folder with the sample picture in its picture folder, and
# with settings in a temporary folder, so neither the build nor the user's settings are
# touched.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$here/build/bin}
out=${2:-$here/docs/images}
timeout=20  # seconds to wait for any window

fail() {
  echo "screenshots.sh: $*" >&2
  exit 1
}

for tool in Xvfb openbox xdotool xprop xwininfo import pdftoppm; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools: xvfb openbox xdotool x11-utils imagemagick poppler-utils)"
done
[ -x "$bin/muralix" ] || fail "no program at $bin/muralix: build first, or name the program folder"
mkdir -p "$out" || fail "cannot make the output folder $out"
bin=$(cd "$bin" && pwd)
out=$(cd "$out" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/muralix.XXXXXX")
pids=()
cleanup() {
  set +e
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The temporary folder is the program folder: a short path, as the image choice dialog
# shows it. Beside the program: its picture folder with the sample picture, the sample
# poster, the settings and a home folder.
program="$work"
cp -r "$bin"/. "$program"/
rm -rf "$program/images"
mkdir -p "$program/images" "$work/config" "$work/home"
cp "$here"/examples/images/* "$program/images/"
# A photograph as people mostly have them, so the dialog's preview shows a JPEG read by the
# image component (it sorts first, and the dialog selects the first picture).
convert "$program/images/coucher-de-soleil.bmp" -quality 92 "$program/images/aurore.jpg"
cp "$here/examples/affiche-exemple.aff" "$work/"
# The picture folder of someone who has used Muralix before, so this is not a first start.
mkdir -p "$work/home/.local/share/muralix/images"
cp "$here"/examples/images/* "$work/home/.local/share/muralix/images/"
# A window of a fixed size rather than maximised, so the images stay under 1000 pixels wide.
printf '[MainW]\nMaxi=0\nx=40\ny=30\nw=960\nh=620\n' >"$work/config/muralix.ini"

# The virtual screen on the first free display (or on display $SCREENSHOT_DISPLAY, a
# number, when set), and a window manager for frames and focus.
if [ -n "${SCREENSHOT_DISPLAY:-}" ]; then
  [[ $SCREENSHOT_DISPLAY =~ ^[0-9]+$ ]] || fail "SCREENSHOT_DISPLAY must be a display number"
  echo "$SCREENSHOT_DISPLAY" >"$work/display"
  Xvfb ":$SCREENSHOT_DISPLAY" -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.log" &
  pids+=($!)
  for ((t = 0; t < timeout * 10; t++)); do
    xprop -display ":$SCREENSHOT_DISPLAY" -root >/dev/null 2>&1 && break
    kill -0 "${pids[0]}" 2>/dev/null || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
    sleep 0.1
  done
else
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
fi
for ((t = 0; t < timeout * 10; t++)); do
  [ -s "$work/display" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb gave no display within $timeout s"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for ((t = 0; t < timeout * 10; t++)); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  fail "openbox did not start: $(tail -n 3 "$work/openbox.log")"

# Given a relative poster name, the caption reads "Muralix : affiche-exemple.aff".
cd "$work"
"$program/muralix" affiche-exemple.aff >"$work/muralix.log" 2>&1 &
app=$!
pids+=("$app")

# Prints the id of the visible window whose title holds $1, waiting for it.
wait_window() {
  local id
  for ((t = 0; t < timeout * 5; t++)); do
    kill -0 "$app" 2>/dev/null || fail "the program ended while waiting for \"$1\": $(tail -n 5 "$work/muralix.log")"
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return
    fi
    sleep 0.2
  done
  fail "no window \"$1\" within $timeout s"
}

# Waits until no visible window's title holds $1.
wait_gone() {
  for ((t = 0; t < timeout * 5; t++)); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "the window \"$1\" is still open after $timeout s"
}

# Prints the rectangle of window $1 with its frame as "width height x y". xwininfo, not
# xdotool, for the position: xdotool counts the frame's offset twice under openbox.
frame_rect() {
  local line x=0 y=0 w=0 h=0 extents left right top bottom
  while read -r line; do
    case $line in
      "Absolute upper-left X:"*) x=${line##* } ;;
      "Absolute upper-left Y:"*) y=${line##* } ;;
      "Width:"*) w=${line##* } ;;
      "Height:"*) h=${line##* } ;;
    esac
  done < <(xwininfo -id "$1")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
  echo "$((w + left + right)) $((h + top + bottom)) $((x - left)) $((y - top))"
}

# Captures the screen over the main window's frame into $1; the dialogs open over it.
capture() {
  local w h x y
  xdotool mousemove 1270 790  # no pointer hover or tooltip in the picture
  sleep 1.5                   # let the windows finish drawing
  read -r w h x y < <(frame_rect "$main")
  ((x < 0)) && { w=$((w + x)); x=0; }
  ((y < 0)) && { h=$((h + y)); y=0; }
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -resize '1000x1000>' -strip \
    "$out/$1" || fail "could not capture $1"
  echo "$out/$1"
}

# Clicks the tool image at the top-left position ($2, $3) of the tool column: the column's
# tool images are 32 pixels square (see TForm1::CreateControls).
click_tool() {
  xdotool mousemove --window "$main" $(($2 + 16)) $(($3 + 16)) click 1 ||
    fail "could not click the tool image \"$1\""
}

# The caption names the poster once it is open; the splash has closed by then.
main=$(wait_window "affiche-exemple.aff - Affiches sur plusieurs feuilles")
wait_gone "Version 2.0"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
capture main-window.png

# "Format de l'affiche"
click_tool "Format de l'affiche" 8 304
format=$(wait_window "Format de l'affiche")
xdotool windowactivate --sync "$format" >/dev/null 2>&1 || true
capture format-dialog.png
# The printing options: a 10 mm overlap, the numbers and the map. Annuler gives back the
# settings the dialog was shown with.
xdotool key --clearmodifiers alt+r ctrl+a
xdotool type --delay 5 "10"
xdotool key --clearmodifiers Tab alt+n alt+a
capture format-dialog-options.png
xdotool key Escape
wait_gone "Format de l'affiche"

# "Créer une nouvelle affiche en chargeant une image": the image choice dialog, moved to
# the picture folder by typing it as the file name, then the first picture chosen.
click_tool "Créer une nouvelle affiche en chargeant une image" 8 8
choose=$(wait_window "Choisir une image")
xdotool windowactivate --sync "$choose" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+n
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 "$program/images/"
xdotool key Return Tab Home
capture image-dialog.png
xdotool key Escape
wait_gone "Choisir une image"

# Two pages of the sample poster printed with the same options on the PDF printer's A4.
"$program/muralix" affiche-exemple.aff --print-to "$work/options.pdf" --overlap 10 --numbers \
  --map >"$work/print.log" 2>&1 || fail "could not print the sample poster: $(tail -n 3 "$work/print.log")"
pdftoppm -png -r 40 -f 1 -l 2 "$work/options.pdf" "$work/page" || fail "could not render the printed pages"
for page in "$work"/page-*1.png "$work"/page-*2.png; do [ -s "$page" ] || fail "no page $page"; done
# A grey frame shows the paper's edge against the page around it.
convert "$work"/page-*1.png -bordercolor '#888' -border 1 -strip "$out/printed-map.png"
convert "$work"/page-*2.png -bordercolor '#888' -border 1 -strip "$out/printed-sheet.png"
# The first sheet's bottom-left corner at 150 dots per inch: the A4 page is 1754 dots high,
# and the 10 mm strip ends 4,2 mm above the paper's edge.
pdftoppm -png -r 150 -f 2 -l 2 -x 0 -y 1630 -W 560 -H 124 -singlefile "$work/options.pdf" "$work/corner" ||
  fail "could not render the number up close"
convert "$work/corner.png" -bordercolor '#888' -border 1 -strip "$out/printed-number.png"
echo "$out/printed-map.png"
echo "$out/printed-sheet.png"
echo "$out/printed-number.png"
