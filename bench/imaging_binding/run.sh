#!/bin/sh
# Reading a 100-megapixel JPEG through ReadJpegBitmap against djpeg on the same file, in
# the same run. Usage:
#   bench/imaging_binding/run.sh BUILD_DIR
# BUILD_DIR is a Release build (cmake -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF)
# holding bin/imaging_binding_bench and the two imaging libraries. Needs cjpeg and djpeg
# (Debian package libjpeg-turbo-progs). Prints the Markdown rows of bench/RESULTS.md.
set -eu
build=${1:?build folder}
work=$(mktemp -d /tmp/muralix-jpeg-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# A 100-megapixel picture (10000 x 10000), generated here, compressed by cjpeg at quality 90.
python3 - "$work/picture.ppm" <<'PY'
import sys
w = h = 10000
base = bytes(((x * 7) & 255, (x * 3) & 255, (x * 11) & 255)[i] for x in range(w) for i in range(3))
with open(sys.argv[1], 'wb') as f:
    f.write(b'P6\n%d %d\n255\n' % (w, h))
    for y in range(h):
        shift = (y * 21) % len(base)
        f.write(base[shift:] + base[:shift])
PY
cjpeg -quality 90 -outfile "$work/picture.jpg" "$work/picture.ppm"
rm "$work/picture.ppm"

python3 - "$build/bin/imaging_binding_bench" "$work/picture.jpg" <<'PY'
import os, platform, subprocess, sys, time
bench, jpeg = sys.argv[1], sys.argv[2]
decoded = 10000 * 10000 * 3
def djpeg():
    start = time.monotonic()
    subprocess.run(['djpeg', '-outfile', os.devnull, jpeg], check=True)
    return time.monotonic() - start
def ours():
    out = subprocess.run([bench, jpeg], check=True, capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM='offscreen')).stdout.split()
    return float(out[2]), int(out[3]) * 1024
# Each side three times, alternating; the best time of each counts.
runs_djpeg, runs_ours, peaks = [], [], []
for _ in range(3):
    runs_djpeg.append(djpeg())
    t, peak = ours()
    runs_ours.append(t)
    peaks.append(peak)
cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo') if l.startswith('model name')), '?')
mem = os.sysconf('SC_PAGE_SIZE') * os.sysconf('SC_PHYS_PAGES') // 2**30
print(f'| machine | {os.cpu_count()} cores, {cpu}, {mem} GB, {platform.platform()} |')
print(f'| file | 10000 x 10000 JPEG, quality 90, {os.path.getsize(jpeg) / 1e6:.1f} MB |')
print(f'| djpeg (best of 3) | {min(runs_djpeg):.3f} s |')
print(f'| ReadJpegBitmap (best of 3) | {min(runs_ours):.3f} s, {min(runs_ours) / min(runs_djpeg):.2f} x djpeg (goal <= 1.3) |')
print(f'| peak memory of ReadJpegBitmap | {max(peaks) / 1e6:.0f} MB, {max(peaks) / decoded:.2f} x the 24-bit picture (goal <= 3) |')
PY
