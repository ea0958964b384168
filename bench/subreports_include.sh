#!/usr/bin/env bash
# Times one `reportctl include` of 40 departments' sub-reports into the demo
# report: the median of RUNS runs (default 5), in total and per sub-report.
# Usage: bench/subreports_include.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
reportctl=$build/bin/reportctl
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$root/data/tools/installation/gen_demo.py" "$work/gen" >/dev/null
mkdir -p "$work/prog" && cp -r "$build/bin/Help" "$work/prog/"
mkdir -p "$work/report" && "$reportctl" pack "$work/gen/Demo2022" "$work/report/Report.rpt" >/dev/null
cp "$work/report/Report.rpt" "$work/saved.rpt"
subs=()
for i in $(seq 1 40); do
  base=SubMech; (( i % 2 )) && base=SubEco
  mkdir -p "$work/deps/Кафедра $i"
  "$reportctl" pack "$work/gen/$base" "$work/deps/Кафедра $i/Report.rpt" >/dev/null
  subs+=("$work/deps/Кафедра $i")
done

times=()
for r in $(seq 1 "$runs"); do
  rm -f "$work/report/"* && cp "$work/saved.rpt" "$work/report/Report.rpt"
  start=$(date +%s.%N)
  "$reportctl" include --program-folder "$work/prog" "$work/report" "${subs[@]}" >/dev/null
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
done
median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}')
"$reportctl" subreports --program-folder "$work/prog" "$work/report" | tail -1
printf 'include of 40 sub-reports: median %.3f s over %d runs, %.4f s per sub-report\n' \
  "$median" "$runs" "$(echo "$median / 40" | bc -l)"
