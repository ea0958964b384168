#!/usr/bin/env bash
# Times printing the whole demo report to PDF with reportctl (the layout,
# the painting and the PDF file, with the report's load and unpack
# included). Prints the median of the runs and the pages per second; then,
# when LibreOffice is installed, the time with the report's text documents
# converted by it and joined into the PDF.
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

# Times `runs` prints of the whole report with the PATH given; sets
# `median` and `pages`.
measure() {
  local path=$1 runs=$2 times=() start end out
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s.%N)
    out=$(PATH=$path "$reportctl" print --program-folder "$build/bin" "$work/report" --all --pdf "$work/all.pdf" 2>/dev/null)
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
    pages=$(echo "$out" | sed -n 's/.*: \([0-9]*\) pages$/\1/p')
  done
  median=$(median "${times[@]}")
}

# The report's own printing: its text documents are left out when the
# office cannot be found.
measure /nonexistent "$runs"
printf 'whole demo report to PDF, tables: %d pages, median %.3f s over %d runs, %.1f pages/s\n' \
  "$pages" "$median" "$runs" "$(echo "$pages / $median" | bc -l)"

# With the text documents converted by LibreOffice, when it is installed.
if command -v soffice >/dev/null; then
  measure "$PATH" 3
  printf 'with its text documents through LibreOffice: %d pages, median %.3f s over 3 runs\n' "$pages" "$median"
fi
