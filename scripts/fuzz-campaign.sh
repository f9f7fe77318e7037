#!/usr/bin/env bash
# Long fuzzing: every target (or those named) for a given time each, JOBS at a
# time, with a corpus kept between runs under <build>/corpus/<target>.
# Crashing inputs land in <build>/crashes/<target>/; a summary table of
# executions, executions per second and coverage goes to <build>/campaign.md.
# Usage: fuzz-campaign.sh <build dir> <seconds per target> [target ...]
# Environment: JOBS (default 2), NICE (default 10).
set -uo pipefail
build=${1:-build/fuzz}
secs=${2:-600}
shift 2 || true
jobs=${JOBS:-2}
nice_level=${NICE:-10}
data=${GB_TESTDATA:-$(cd "$(dirname "$0")/.." && pwd)/../shared/testdata}
[ -d "$data" ] || data=/work/shared/testdata
list="$build/fuzz-targets.txt"
[ -s "$list" ] || { echo "fuzz-campaign: no fuzz targets in $build"; exit 1; }
logs="$build/campaign-logs"
mkdir -p "$logs"

one() {  # target seeds...
  local target=$1; shift
  local exe="$build/fuzz/$target"
  [ -x "$exe" ] || { echo "$target not built" > "$logs/$target.log"; return 1; }
  local corpus="$build/corpus/$target" crashes="$build/crashes/$target"
  mkdir -p "$corpus" "$crashes"
  local dirs=()
  for s in "$@"; do [ -d "$data/$s" ] && dirs+=("$data/$s"); done
  [ -d "fuzz/seeds/$target" ] && dirs+=("fuzz/seeds/$target")
  [ -d "fuzz/regressions/$target" ] && dirs+=("fuzz/regressions/$target")
  nice -n "$nice_level" "$exe" -max_total_time="$secs" -rss_limit_mb=2560 -timeout=60 \
    -max_len=1048576 -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$corpus" "${dirs[@]}" > "$logs/$target.log" 2>&1
  echo "$?" > "$logs/$target.rc"
}

targets=()
while read -r target seeds; do
  [ -n "$target" ] || continue
  if [ $# -gt 0 ]; then
    case " $* " in *" $target "*) ;; *) continue ;; esac
  fi
  targets+=("$target")
  one "$target" $seeds &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
done < "$list"
wait

summary="$build/campaign.md"
{
  echo "| target | seconds | executions | exec/s | coverage (edges) | features | corpus files | result |"
  echo "|---|---:|---:|---:|---:|---:|---:|---|"
  for t in "${targets[@]}"; do
    log="$logs/$t.log"
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -o '[0-9]*')
    ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | grep -o '[0-9]*')
    files=$(find "$build/corpus/$t" -type f | wc -l)
    rc=$(cat "$logs/$t.rc" 2>/dev/null || echo "?")
    found=$(find "$build/crashes/$t" -type f | wc -l)
    result="clean"
    [ "$rc" = 0 ] || result="exit $rc, $found finding(s)"
    echo "| $t | $secs | ${runs:-?} | ${rate:-?} | ${cov:-?} | ${ft:-?} | $files | $result |"
  done
} > "$summary"
cat "$summary"
grep -q 'exit ' "$summary" && exit 1
exit 0
