#!/usr/bin/env bash
# Times exporting the whole demo report into an .xlsx workbook with
# reportctl export-xlsx (the report's load and unpack, the recalculation,
# every table's sheet and the file written). Prints the median of the runs.
#
#   bench/excel_demo.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-9}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$root/bench/demo_common.sh"
pack_demo_report

times=()
sheets=0
for ((i = 0; i < runs; i++)); do
  start=$(date +%s.%N)
  out=$("$reportctl" export-xlsx --program-folder "$build/bin" "$work/report" --all "$work/all.xlsx" 2>/dev/null)
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
  sheets=$(echo "$out" | sed -n 's/.*: \([0-9]*\) sheets$/\1/p')
done
median=$(median "${times[@]}")
printf 'whole demo report to .xlsx: %d sheets, %s bytes, median %.3f s over %d runs\n' \
  "$sheets" "$(stat -c %s "$work/all.xlsx")" "$median" "$runs"
