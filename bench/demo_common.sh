# Sourced by the benchmark scripts that time reportctl on the demo report.
# Expects $root, $build and $work; provides $reportctl, pack_demo_report and
# median.

reportctl=${bin:-$build/bin}/reportctl

# The demo report packed into $work/report/Report.rpt.
pack_demo_report() {
  python3 "$root/data/tools/installation/gen_demo.py" "$work/src" >/dev/null
  mkdir -p "$work/report"
  "$reportctl" pack "$work/src/Demo2022" "$work/report/Report.rpt"
}

# The median of the numbers given as arguments.
median() {
  printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'
}
