#!/usr/bin/env bash
# The benchmark run of `make bench`: every engine micro-benchmark program of
# the build, then the side-by-side comparisons, which print the table and
# write bench/results/latest.md with both.
#
#   bench/run.sh BUILD_DIR [bench/compare options, e.g. --runs 7 --only Sticker]
#
# GB_BENCH_MIN_TIME (seconds, default 0.1) is the least time Google Benchmark
# spends per benchmark; calls slower than that run once.
set -euo pipefail

build=${1:?usage: bench/run.sh BUILD_DIR [compare options]}
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$build" && pwd)
micro="$build/bench/results"
rm -rf "$micro"
mkdir -p "$micro"

started=$SECONDS
for prog in "$build"/bench/bench_*; do
  [ -f "$prog" ] && [ -x "$prog" ] || continue
  name=$(basename "$prog")
  echo "== $name"
  # One failing program should not hide the others' numbers.
  if ! "$prog" --benchmark_min_time="${GB_BENCH_MIN_TIME:-0.1}" \
      --benchmark_out="$micro/$name.json" --benchmark_out_format=json; then
    echo "bench/run.sh: $name failed" >&2
  fi
done
echo "== micro-benchmarks took $((SECONDS - started)) s"

/usr/bin/python3 "$here/compare" --cli "$build/tools/glimmerbox-cli" --work "$build/compare" \
  --micro "$micro" "$@"
echo "== bench/run.sh took $((SECONDS - started)) s"
