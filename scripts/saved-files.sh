#!/usr/bin/env bash
# Prints a checksum of every file the program writes when it saves the demo
# reports: each table loaded and saved again, each folder recalculated and
# saved through the report's own load path, and each folder packed. Run it
# before and after a change that must not alter saved files and compare:
#   scripts/saved-files.sh > before.txt; ...; scripts/saved-files.sh | diff before.txt -
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD_DIR:-$root/build}/bin
# A fixed folder, the same for every checkout: the report's structure file
# records where the report lies, so two trees compared must save into the
# same place.
work=${SAVED_FILES_WORK:-/tmp/report-saved-files}
rm -rf "$work" && mkdir -p "$work"
python3 "$root/data/tools/installation/gen_demo.py" "$work/demo" >/dev/null
cd "$work/demo"
for report in */; do
  report=${report%/}
  mkdir -p "$work/resaved/$report"
  for table in "$report"/*.ini; do
    "$bin/reportctl" table resave "$table" "$work/resaved/$table" \
      --lists "${BUILD_DIR:-$root/build}/installation-staging/TabLst/" >/dev/null 2>&1 || echo "resave failed: $table"
  done
  # A cell set to a value through the desktop's load and save path (last
  # year's report is of an older version the program does not open).
  [[ $report == LastYear* ]] || { cp -r "$report" "$work/set-$report"
  "$bin/reportctl" pack "$work/set-$report" "$work/set-$report/Report.rpt" >/dev/null
  "$bin/reportctl" set --program-folder "$bin" "$work/set-$report" Publ 1-3 7 \
    >/dev/null 2>&1 || echo "set failed: $report"
  rm -f "$work/set-$report"/Report.rpt "$work/set-$report"/*.lck "$work/set-$report"/*.bak; }
  "$bin/reportctl" pack "$report" "$work/$report.rpt" >/dev/null
done
cd "$work"
find resaved set-* -type f | sort | xargs sha256sum
# The packages' contents, without the packing time.
for p in *.rpt; do "$bin/reportctl" list "$p" | cut -f1,2; done
