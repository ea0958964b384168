#!/usr/bin/env bash
# Times sending the whole demo report through the Internet route with
# reportctl send --force (the report's load, recalculation and checks, the
# save, the data lines, the send archive, the container and its checksum),
# on a program folder of its own. Prints the median of the runs.
#
#   bench/send_demo.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$root/bench/demo_common.sh"
pack_demo_report
mkdir -p "$work/program/Help"
cp -R "$build/bin/Help/Data" "$work/program/Help/"

times=()
for ((i = 0; i < runs; i++)); do
  start=$(date +%s.%N)
  sent=$("$reportctl" send --program-folder "$work/program" "$work/report" --route internet --force 2>/dev/null)
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
done
median=$(median "${times[@]}")
printf 'whole demo report sent through the Internet route: %s bytes, median %.3f s over %d runs\n' \
  "$(stat -c %s "$sent")" "$median" "$runs"
