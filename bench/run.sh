#!/bin/sh
# Runs every benchmark on one Release build without sanitizers. Figures go to the
# RESULTS.md beside each benchmark; bench/RESULTS.md gathers them with the machine.
#   bench/run.sh [build folder]        (default: build-bench)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-bench}
# The benchmark programs are built without the test suite (bench/imaging/run.sh and
# bench/photos/run.sh turn the tests off in this build folder too).
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMURALIX_SANITIZE=OFF \
  -DMURALIX_TESTS=OFF -DMURALIX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
echo "== sheet layout and printing"
sh "$here/bench/layout/run.sh" "$build" "$build/bin/muralix"
echo "== reading a 100-megapixel JPEG through the binding"
sh "$here/bench/imaging_binding/run.sh" "$build"
echo "== loading and painting large pictures through the image component"
sh "$here/bench/imagecomp/run.sh" "$build"
echo "== the JPEG entry of the imaging library alone"
sh "$here/bench/imaging/run.sh" "$build"
echo "== HEIC, WebP and a JPEG with a colour profile through the imaging library"
sh "$here/bench/photos/run.sh" "$build"
echo "== opening and printing big pictures from the command line"
NO_BUILD=1 sh "$here/bench/print/run.sh" "$build"
