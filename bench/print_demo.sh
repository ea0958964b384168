#!/usr/bin/env bash
# Times printing the whole demo report to PDF with reportctl (the layout,
# the painting and the PDF file, with the report's load and unpack
# included). Prints the median of the runs and the pages per second.
#
#   bench/print_demo.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-9}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$root/bench/demo_common.sh"
pack_demo_report

times=()
pages=0
for ((i = 0; i < runs; i++)); do
  start=$(date +%s.%N)
  out=$("$reportctl" print --program-folder "$build/bin" "$work/report" --all --pdf "$work/all.pdf" 2>/dev/null)
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
  pages=$(echo "$out" | sed -n 's/.*: \([0-9]*\) pages$/\1/p')
done
median=$(median "${times[@]}")
printf 'whole demo report to PDF: %d pages, median %.3f s over %d runs, %.1f pages/s\n' \
  "$pages" "$median" "$runs" "$(echo "$pages / $median" | bc -l)"
