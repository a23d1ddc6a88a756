#!/bin/sh
# The command-line modes end to end: --info, --print-to and --preview-to on a poster
# whose picture this script writes into the program's picture folder, and the failures
# a script must be able to tell (exit status and message on standard error).
set -u
program=${1:?program}
images=$(dirname "$program")/images
work=$(mktemp -d /tmp/muralix-cli-XXXXXX)
picture=cli-smoke-$$.bmp
trap 'rm -rf "$work" "$images/$picture"' EXIT
mkdir -p "$images"
fail() { echo "FAIL: $*"; exit 1; }

# A 60 x 84 24-bit bitmap, one colour.
python3 - "$images/$picture" <<'PY'
import struct, sys
w, h = 60, 84
stride = (w * 3 + 3) // 4 * 4
with open(sys.argv[1], 'wb') as f:
    f.write(struct.pack('<2sIHHI', b'BM', 54 + stride * h, 0, 0, 54))
    f.write(struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, stride * h, 2835, 2835, 0, 0))
    f.write((bytes((200, 100, 50)) * w + bytes(stride - 3 * w)) * h)
PY
printf 'version1\r\n1890\r\n2646\r\n%s\r\n0\r\n0\r\n' "$picture" > "$work/p.aff"

"$program" "$work/p.aff" --info --paper A4 --dpi 600 --margins 4.2,4.2,4.2,4.2 > "$work/info" || fail "--info"
for key in physical printable offset dpi orientation poster-pixels poster-mm overlap columns rows \
           sheets picture picture-size picture-format resolution-ppi; do
  grep -q "^$key: " "$work/info" || fail "--info lacks $key"
done
grep -qx 'poster-pixels: 1890 x 2646' "$work/info" || fail "poster-pixels"
grep -qx 'poster-mm: 500,1 x 700,1' "$work/info" || fail "poster-mm"
grep -qx 'picture-size: 60 x 84' "$work/info" || fail "picture-size"
grep -qx 'resolution-ppi: 3' "$work/info" || fail "resolution-ppi"
sheets=$(sed -n 's/^sheets: //p' "$work/info")
[ "$sheets" = 9 ] || fail "sheets $sheets"

"$program" "$work/p.aff" --print-to "$work/out.pdf" > "$work/print" || fail "--print-to"
grep -qx "pages: $sheets" "$work/print" || fail "pages"
pages=$(grep -a -c '/Type /Page$' "$work/out.pdf" || true)
[ "$pages" = "$sheets" ] || fail "the PDF has $pages pages, not $sheets"

"$program" "$work/p.aff" --print-to "$work/range.pdf" --pages 3-4 > "$work/print" || fail "--pages"
grep -qx "pages: 2" "$work/print" || fail "range"

"$program" "$work/p.aff" --preview-to "$work/p.png" --size 200 > /dev/null || fail "--preview-to"
head -c 8 "$work/p.png" | od -An -c | grep -q 'P   N   G' || fail "not a PNG"

# A glue overlap of 80 mm on the PDF printer's A4: 4 columns and 3 rows.
grep -qx 'overlap: 0 mm' "$work/info" || fail "no overlap by default"
"$program" "$work/p.aff" --info --overlap 80 --paper A4 --dpi 600 --margins 4.2,4.2,4.2,4.2 > "$work/info80" || fail "--overlap"
grep -qx 'overlap: 80 mm' "$work/info80" || fail "overlap line"
grep -qx 'sheets: 12' "$work/info80" || fail "sheets with an overlap"
"$program" "$work/p.aff" --print-to "$work/glue.pdf" --overlap 80 > /dev/null || fail "--print-to --overlap"
pages=$(grep -a -c '/Type /Page$' "$work/glue.pdf" || true)
[ "$pages" = 12 ] || fail "the overlapped PDF has $pages pages"
"$program" "$work/p.aff" --info --overlap 250 2> "$work/err" > /dev/null && fail "overlap wider than a sheet"
grep -q "Le recouvrement de 250 mm doit être plus petit" "$work/err" || fail "overlap text"

# Numbers and the map: the map is a page apart from the sheets, and page ranges count
# sheets only; --info without --map keeps its lines.
grep -q '^map-pages' "$work/info" && fail "a map line without --map"
"$program" "$work/p.aff" --info --map > "$work/infomap" || fail "--info --map"
grep -qx "sheets: $sheets" "$work/infomap" || fail "the map counted among the sheets"
grep -qx 'map-pages: 1' "$work/infomap" || fail "map-pages line"
"$program" "$work/p.aff" --print-to "$work/map.pdf" --map --numbers > "$work/print" || fail "--map --numbers"
grep -qx "pages: $((sheets + 1))" "$work/print" || fail "the map page"
pages=$(grep -a -c '/Type /Page$' "$work/map.pdf" || true)
[ "$pages" = "$((sheets + 1))" ] || fail "the PDF with a map has $pages pages"
"$program" "$work/p.aff" --print-to "$work/map34.pdf" --map --pages 3-4 > "$work/print" || fail "--map --pages"
grep -qx "pages: 3" "$work/print" || fail "a range with the map"

# Failures: a status other than 0 and the program's text on standard error.
"$program" "$work/none.aff" --info 2> "$work/err" > /dev/null && fail "missing poster accepted"
grep -q "Impossible d'ouvrir le fichier" "$work/err" || fail "missing poster text"
printf 'version1\r\n1890\r\n2646\r\nnot-there.bmp\r\n0\r\n0\r\n' > "$work/q.aff"
"$program" "$work/q.aff" --info 2> "$work/err" > /dev/null && fail "missing picture accepted"
grep -q "introuvable" "$work/err" || fail "missing picture text"
"$program" "$work/p.aff" --print-to /nonexistent-folder/x.pdf 2> "$work/err" > /dev/null && fail "unwritable accepted"
grep -q "Impossible de créer le fichier" "$work/err" || fail "unwritable text"
"$program" "$work/p.aff" --print-to "$work/x.pdf" --pages 8-12 2> /dev/null > /dev/null && fail "range beyond the sheets"
"$program" "$work/p.aff" --info --paper B9 2> /dev/null > /dev/null && fail "unknown paper"
echo "command-line modes: all checks passed"
