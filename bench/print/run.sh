#!/bin/sh
# Opening and printing big pictures from the command line, each figure beside its anchor
# measured in the same run. One command, from anywhere:
#   bench/print/run.sh [BUILD_DIR]        (default: build-bench beside the sources)
# Builds the program in BUILD_DIR (Release, no sanitizers) unless BUILD_DIR/bin/muralix
# exists and NO_BUILD=1 is set. Needs cjpeg and djpeg (libjpeg-turbo-progs) and
# /usr/bin/time; plakativ is timed when it is installed. RUNS (default 3) runs of each
# command; the median time and the largest peak are printed, as Markdown rows.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
runs=${RUNS:-3}
if [ "${NO_BUILD:-0}" != 1 ] || [ ! -x "$build/bin/muralix" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF \
    -DMURALIX_TESTS=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target muralix >/dev/null
fi
program=$build/bin/muralix
images=$build/bin/images
work=$(mktemp -d /tmp/muralix-print-bench-XXXXXX)
mkdir -p "$images"
trap 'rm -rf "$work" "$images/bench-print-100mp.jpg" "$images/bench-print-24mp.jpg"' EXIT

# Two photographs' sizes, generated here so nothing is fetched: smooth waves with a fine
# texture, so that the JPEG at quality 94 is about as large as a photograph's.
picture() {  # picture WIDTH HEIGHT OUT.jpg
  python3 - "$1" "$2" "$work/picture.ppm" <<'PY'
import math, sys
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
n = 2 * w
base = bytearray(3 * n)
for x in range(n):
    t = x / 97.0
    base[3 * x] = int(127 + 80 * math.sin(t) + 40 * math.sin(x * 0.9)) & 255
    base[3 * x + 1] = int(127 + 90 * math.sin(t * 0.37 + 1) + 30 * math.sin(x * 1.7)) & 255
    base[3 * x + 2] = int(127 + 100 * math.cos(t * 0.13) + 20 * math.sin(x * 2.3)) & 255
base = bytes(base)
with open(out, 'wb') as f:
    f.write(b'P6\n%d %d\n255\n' % (w, h))
    for y in range(h):
        s = 3 * ((y * 7 + int(300 * math.sin(y / 211.0))) % w)
        f.write(base[s:s + 3 * w])
PY
  cjpeg -quality 94 -outfile "$3" "$work/picture.ppm"
  rm "$work/picture.ppm"
}
picture 12240 8160 "$images/bench-print-100mp.jpg"
picture 6000 4000 "$images/bench-print-24mp.jpg"

# Posters of 700 x 467 mm: 2646 x 1765 pixels at the design's 96 dots per inch.
for name in 100mp 24mp; do
  printf 'version1\r\n2646\r\n1765\r\nbench-print-%s.jpg\r\n1\r\n0\r\n' "$name" \
    > "$work/$name.aff"
done

# timed LABEL COMMAND...: RUNS runs; prints "median_seconds peak_MiB".
timed() {
  label=$1
  shift
  : > "$work/times"
  i=0
  while [ "$i" -lt "$runs" ]; do
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" > "$work/out.txt" 2> "$work/err.txt" || {
      echo "$label failed:" >&2
      cat "$work/err.txt" >&2
      exit 1
    }
    cat "$work/time" >> "$work/times"
    i=$((i + 1))
  done
  sort -n "$work/times" | awk '{ t[NR] = $1; if ($2 > m) m = $2 }
    END { printf "%.2f %d\n", t[int((NR + 1) / 2)], m / 1024 }'
}

row() {  # row WHAT FIGURE ANCHOR_LABEL ANCHOR
  set -- "$1" "$2" "$3" "$4"
  f_t=${2% *}
  a_t=${4% *}
  ratio=$(awk "BEGIN { if ($a_t > 0) printf \"%.2f\", $f_t / $a_t; else print \"-\" }")
  echo "| $1 | ${f_t} s, peak ${2#* } MiB | $3 ${a_t} s, peak ${4#* } MiB | ${ratio} × |"
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); load average at start: $(cut -d' ' -f1-3 /proc/loadavg); $runs runs, medians."
echo
echo "| what | Muralix | anchor, same run | ratio |"
echo "|---|---|---|---|"
plakativ_found=$(command -v plakativ || true)
for name in 100mp 24mp; do
  jpeg=$images/bench-print-$name.jpg
  djpeg_t=$(timed djpeg djpeg -outfile /dev/null "$jpeg")
  info_t=$(timed info "$program" "$work/$name.aff" --info)
  row "\`--info\`, $name JPEG" "$info_t" "\`djpeg\`" "$djpeg_t"
  print_t=$(timed print "$program" "$work/$name.aff" --print-to "$work/out.pdf" --paper A4 --dpi 600)
  sheets=$(grep pages "$work/out.txt" | cut -d' ' -f2)
  row "\`--print-to\` A4 600 dpi, $name JPEG, $sheets sheets" "$print_t" "\`djpeg\`" "$djpeg_t"
  # The floor of a print that re-encodes: one decode, and one encode at the PDF engine's
  # quality of as many pixels as the sheets hold (the whole picture, once).
  djpeg -outfile "$work/decoded.ppm" "$jpeg"
  cjpeg_t=$(timed cjpeg cjpeg -quality 94 -outfile /dev/null "$work/decoded.ppm")
  rm -f "$work/decoded.ppm"
  floor_t=$(echo "$djpeg_t $cjpeg_t" | awk '{ printf "%.2f %d\n", $1 + $3, ($2 > $4 ? $2 : $4) }')
  row "\`--print-to\` against the floor, $name" "$print_t" "\`djpeg\` + \`cjpeg -quality 94\`" "$floor_t"
  if [ -n "$plakativ_found" ]; then
    plak_t=$(timed plakativ plakativ --size 700x467 --pagesize A4 --output "$work/plakativ.pdf" "$jpeg")
    row "\`--print-to\` against plakativ, $name" "$print_t" "plakativ" "$plak_t"
  fi
done

# The main window holding each poster, on Qt's offscreen platform with settings of its own:
# its resident size once the poster is open (the size has stopped growing for 3 s), beside
# one 32-bit picture of the poster's picture, the floor of a window that shows it.
resident() {  # resident POSTER: prints MiB
  XDG_CONFIG_HOME=$work QT_QPA_PLATFORM=offscreen "$program" "$1" > /dev/null 2>&1 &
  pid=$!
  last=0
  same=0
  while [ "$same" -lt 3 ] && [ -r "/proc/$pid/status" ]; do
    sleep 1
    now=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2> /dev/null || echo 0)
    if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; last=$now; fi
  done
  kill "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  echo $((last / 1024))
}
echo
echo "| what | resident | one 32-bit picture | ratio |"
echo "|---|---|---|---|"
for name in 100mp 24mp; do
  case $name in 100mp) w=12240 h=8160 ;; *) w=6000 h=4000 ;; esac
  picture_mib=$((w * h * 4 / 1048576))
  most=0
  i=0
  while [ "$i" -lt "$runs" ]; do
    r=$(resident "$work/$name.aff")
    [ "$r" -gt "$most" ] && most=$r
    i=$((i + 1))
  done
  echo "| the window holding the $name poster | $most MiB | $picture_mib MiB | $(awk "BEGIN { printf \"%.2f\", $most / $picture_mib }") × |"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
