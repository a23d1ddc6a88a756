#!/bin/sh
# Runs every benchmark on one Release build without sanitizers. Figures go to the
# RESULTS files beside each benchmark; bench/RESULTS.md gathers them with the machine.
#   bench/run.sh [build folder]        (default: build-bench)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
# The benchmark programs are built with the tests; bench/imaging/run.sh turns the tests off
# in this build folder, so every run turns them back on.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF \
  -DMURALIX_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
echo "== sheet layout and printing"
sh "$here/bench/layout/run-bench.sh" "$build" "$build/bin/muralix"
echo "== reading a 100-megapixel JPEG through the binding"
sh "$here/bench/imaging_binding/run-bench.sh" "$build"
echo "== loading and painting large pictures through the image component"
sh "$here/bench/imagecomp/run-bench.sh" "$build"
echo "== the JPEG entry of the imaging library alone"
sh "$here/bench/imaging/run.sh" "$build"
echo "== HEIC, WebP and a JPEG with a colour profile through the imaging library"
sh "$here/bench/imaging/photos.sh" "$build"
