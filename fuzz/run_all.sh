#!/bin/sh
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer and
# libFuzzer) in build-fuzz/, writes the seed corpora, and runs every target for the given
# number of seconds, one after the other (MURALIX_FUZZ_PARALLEL=n runs n at a time).
# Crashes are left in build-fuzz/fuzz/crashes/<target>/. MURALIX_FUZZ_TARGETS="jpeg poster"
# runs only the targets it names.
#   fuzz/run_all.sh [seconds per target] [build folder]
set -eu
seconds=${1:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$here/build-fuzz}
jobs=${MURALIX_JOBS:-2}

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMURALIX_FUZZ=ON -DMURALIX_SANITIZE=ON -DMURALIX_TESTS=ON >/dev/null
targets="jpeg bmp png pcx gif tiff pcd tga eps dxf fileinfo heif webp commandline poster"
targets=${MURALIX_FUZZ_TARGETS:-$targets}
cmake --build "$build" -j"$jobs" --target fuzz_make_seeds $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

out=$build/fuzz
rm -rf "$out/seeds"
# The HEVC encoder that writes the HEIC seeds keeps a few tables until the process ends.
ASAN_OPTIONS=detect_leaks=0 "$out/fuzz_make_seeds" "$out/seeds"
sh "$here/fuzz/make_commandline_seeds.sh" "$out/seeds/commandline"
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
report=$out/report.txt
: > "$report"

# One target: its run, then its line of the report.
run_target() {
  t=$1
  [ -d "$out/seeds/$t" ] || { echo "no seeds for $t" >&2; return 1; }
  corpus=$out/corpus/$t
  crashes=$out/crashes/$t
  mkdir -p "$corpus" "$crashes"
  maxlen=65536
  [ "$t" = pcd ] && maxlen=800000  # the Base picture lies 192 KB into the file
  start=$(date +%s)
  stamp=$out/.start-$t
  touch "$stamp"
  set +e
  /usr/bin/time -f '%U %S' -o "$out/$t.cpu" "$out/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=$maxlen -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$corpus" "$out/seeds/$t" >"$out/$t.log" 2>&1
  status=$?
  set -e
  end=$(date +%s)
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$t.log" | grep -o '[0-9]*$' || true)
  [ -n "$runs" ] || runs=$(grep -Eo '#[0-9]+' "$out/$t.log" | tail -1 | tr -d '#')
  found=$(find "$crashes" -type f -newer "$stamp" | wc -l)
  seeds=$(find "$out/seeds/$t" -type f | wc -l)
  cpu=$(awk '{ printf "%.0f", $1 + $2 }' "$out/$t.cpu" 2>/dev/null || echo '?')
  printf '%-9s wall %5ss  cpu %5ss  exit %-3s seeds %-3s runs %-9s new crashes %s\n' "$t" \
    "$((end - start))" "$cpu" "$status" "$seeds" "${runs:-?}" "$found" | tee -a "$report"
}

parallel=${MURALIX_FUZZ_PARALLEL:-1}
running=0
for t in $targets; do
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait
    running=0
  fi
done
wait
echo "report: $report"
