#!/bin/sh
# Benchmarks of the sheet layout and of printing. Usage:
#   bench/layout/run.sh BUILD_DIR [PROGRAM]
# BUILD_DIR is a Release build (cmake -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF)
# holding bin/layout_bench; the program defaults to BUILD_DIR/bin/muralix. Prints the
# Markdown rows recorded in RESULTS.md.
set -eu
build=${1:?build folder}
program=${2:-$build/bin/muralix}
bin=$(dirname "$program")
work=$(mktemp -d /tmp/muralix-bench-XXXXXX)
trap 'rm -rf "$work" "$bin/images/bench-100mp.bmp"' EXIT

echo "| machine | $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GB |"
"$build/bin/layout_bench" 100

# A 100-megapixel 24-bit picture (8404 x 11899), written by Python so nothing is fetched.
mkdir -p "$bin/images"
python3 - "$bin/images/bench-100mp.bmp" <<'PY'
import struct, sys
w, h = 8404, 11899
stride = (w * 3 + 3) // 4 * 4
row = bytearray(stride)
for x in range(w):
    row[3 * x:3 * x + 3] = bytes(((x * 7) & 255, (x * 3) & 255, 128))
with open(sys.argv[1], 'wb') as f:
    f.write(struct.pack('<2sIHHI', b'BM', 54 + stride * h, 0, 0, 54))
    f.write(struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, stride * h, 2835, 2835, 0, 0))
    for y in range(h):
        row[0:1] = bytes((y & 255,))
        f.write(row)
PY
# 1890 x 2646 pixels: 3 x 3 sheets on A4 at 600 dots per inch.
printf 'version1\r\n1890\r\n2646\r\nbench-100mp.bmp\r\n0\r\n0\r\n' > "$work/bench.aff"
/usr/bin/time -f '%e %M' -o "$work/time" "$program" "$work/bench.aff" --print-to "$work/out.pdf" > "$work/out.txt"
read -r seconds kb < "$work/time"
decoded=$((8404 * 3 * 11899 / 1024))
echo "| --print-to, 3 x 3 on A4 600 dpi, 100 MP BMP | $seconds s, peak $((kb / 1024)) MB = $(awk "BEGIN {printf \"%.2f\", $kb / $decoded}") x the decoded 24-bit size ($((decoded / 1024)) MB), $(grep pages "$work/out.txt") |"
