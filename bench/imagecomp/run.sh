#!/bin/sh
# Loading and painting large pictures through the image component, against djpeg on the
# same files and QPainter::drawImage of the same rectangles, in the same run. Usage:
#   bench/imagecomp/run.sh BUILD_DIR
# BUILD_DIR is a Release build (cmake -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF)
# holding bin/imagecomp_bench and the two imaging libraries. Needs cjpeg and djpeg
# (Debian package libjpeg-turbo-progs). Prints the Markdown rows of RESULTS.md.
set -eu
build=${1:?build folder}
work=$(mktemp -d /tmp/muralix-imagecomp-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Two generated pictures, compressed by cjpeg: the 10000 x 10000 one of the binding's
# benchmark at quality 90, and a 12000 x 8000 one with other colours at quality 85.
python3 - "$work/first.ppm" "$work/second.ppm" <<'PY'
import sys
def write(name, w, h, colour, step):
    base = bytes(colour(x)[i] for x in range(w) for i in range(3))
    with open(name, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (w, h))
        for y in range(h):
            shift = (y * step) % len(base)
            f.write(base[shift:] + base[:shift])
write(sys.argv[1], 10000, 10000, lambda x: ((x * 7) & 255, (x * 3) & 255, (x * 11) & 255), 21)
write(sys.argv[2], 12000, 8000, lambda x: ((x * 5) & 255, (x // 40) & 255, (x * 13) & 255), 33)
PY
cjpeg -quality 90 -outfile "$work/first.jpg" "$work/first.ppm"
cjpeg -quality 85 -outfile "$work/second.jpg" "$work/second.ppm"
rm "$work/first.ppm" "$work/second.ppm"

QT_QPA_PLATFORM=offscreen python3 - "$build/bin/imagecomp_bench" "$work/first.jpg" \
  "$work/second.jpg" <<'PY'
import os, platform, subprocess, sys, time
bench, first, second = sys.argv[1:4]
size1, size2 = 10000 * 10000 * 3, 12000 * 8000 * 3  # the 24-bit pictures
MB = 1e6
def djpeg(name):
    start = time.monotonic()
    subprocess.run(['djpeg', '-outfile', os.devnull, name], check=True)
    return time.monotonic() - start
def load(env=None):
    out = subprocess.run([bench, 'load', first, second], check=True, capture_output=True,
                         text=True, env=dict(os.environ, **(env or {}))).stdout.split('\n')
    return {f[0]: (float(f[1]), int(f[2]) * 1024, int(f[3]) * 1024)
            for f in (l.split() for l in out) if len(f) == 4}
# Each side three times, alternating; the best time of each counts, the largest peak.
# The same path once more with malloc asking for transparent huge pages on its large blocks,
# as the global blocks already do: how much of each step is first touching fresh memory.
d1, d2, runs, huge = [], [], [], []
for _ in range(3):
    d1.append(djpeg(first))
    d2.append(djpeg(second))
    runs.append(load())
    huge.append(load({'GLIBC_TUNABLES': 'glibc.malloc.hugetlb=1'}))
best = lambda step: min(r[step][0] for r in runs)
peak = lambda step: max(r[step][1] for r in runs)
held = lambda step: max(r[step][2] for r in runs)
f1, f2, fcopy = min(d1), min(d2), best('floor-copy')
# Pictures in the program's 32-bit rows are converted by nothing: ToImage shares them.
fconv = best('floor-to-rgb32') if 'floor-to-rgb32' in runs[0] else None
cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo') if l.startswith('model name')), '?')
mem = os.sysconf('SC_PAGE_SIZE') * os.sysconf('SC_PHYS_PAGES') // 2**30
print(f'| machine | {os.cpu_count()} cores, {cpu}, {mem} GB, {platform.platform()} |')
print(f'| files | 10000 x 10000 JPEG q90 {os.path.getsize(first) / MB:.1f} MB ({size1 / MB:.0f} MB at 24 bits); '
      f'12000 x 8000 JPEG q85 {os.path.getsize(second) / MB:.1f} MB ({size2 / MB:.0f} MB) |')
best_huge = lambda step: min(r[step][0] for r in huge)
print('| step (best of 3) | time | floor, same run | peak RSS so far; resident after | time with huge pages |')
print('|---|---|---|---|---|')
print(f'| SetImageName(first) | {best("load-first"):.3f} s | djpeg {f1:.3f} s: {best("load-first") / f1:.2f} x '
      f'| {peak("load-first") / MB:.0f} MB = {peak("load-first") / size1:.2f} x first; {held("load-first") / MB:.0f} MB | {best_huge("load-first"):.3f} s |')
print(f'| SetImageName(second), first into the undo history | {best("load-second"):.3f} s '
      f'| djpeg {f2:.3f} s + memcpy of first {fcopy:.3f} s: {best("load-second") / (f2 + fcopy):.2f} x '
      f'({best("load-second") / f2:.2f} x djpeg) | {peak("load-second") / MB:.0f} MB = '
      f'{peak("load-second") / (size1 + size2):.2f} x (first + second); {held("load-second") / MB:.0f} MB | {best_huge("load-second"):.3f} s |')
conv = (f'24 to 32 bits by Qt {fconv:.3f} s: {best("to-image") / fconv:.2f} x' if fconv
        else '0: the 32-bit rows are shared, not converted')
print(f'| Picture().ToImage() | {best("to-image"):.3f} s | {conv} | {peak("to-image") / MB:.0f} MB = '
      f'{peak("to-image") / (size1 + 2 * size2):.2f} x (first + 2 x second); {held("to-image") / MB:.0f} MB | {best_huge("to-image"):.3f} s |')
print(f'| picture image AssignBitmap(image) | {best("assign-feuille"):.3f} s | 0: the image from ToImage is shared with nothing '
      f'| {peak("assign-feuille") / MB:.0f} MB = {peak("assign-feuille") / (size1 + 2 * size2):.2f} x (first + 2 x second) | {best_huge("assign-feuille"):.3f} s |')
print(f'| the undo copy alone (TBitmap copy of second) | {best("copy-bitmap"):.3f} s '
      f'| memcpy {fcopy:.3f} s: {best("copy-bitmap") / fcopy:.2f} x | | {best_huge("copy-bitmap"):.3f} s (memcpy {best_huge("floor-copy"):.3f} s) |')

# Painting: the program alternates each grab() with its drawImage floor, best of 7.
out = subprocess.run([bench, 'paint', first, '7'], check=True, capture_output=True,
                     text=True).stdout.split('\n')
names = {'zoom1-middle': 'zoom 1, scrolled to the middle', 'stretch-ratio': 'SetStretchRatio(true), 800 x 800',
         'stretch': 'SetStretch(true), 1280 x 800'}
print()
print('| 1280 x 800 view of the 100-megapixel picture (best of 7) | grab() | drawImage from a 32-bit copy | ratio '
      '| drawImage from the stored 24-bit rows in place | pixels | peak RSS |')
print('|---|---|---|---|---|---|---|')
for line in out:
    f = line.split()
    if len(f) == 6 and f[0] in names:
        ours, floor, in_place = (float(v) for v in f[1:4])
        print(f'| {names[f[0]]} | {ours * 1000:.1f} ms | {floor * 1000:.2f} ms | {ours / floor:.0f} x '
              f'| {in_place * 1000:.2f} ms | {f[4]} | {int(f[5]) * 1024 / MB:.0f} MB |')
