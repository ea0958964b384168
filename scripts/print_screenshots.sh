#!/usr/bin/env bash
# Prints the demo report with reportctl and turns pages of the PDFs into
# the PNG pictures of docs/screenshots/ (pdftoppm, 100 dpi): the whole
# report's first page, a form table, a grid table over several landscape
# pages (its first and second page), a blank form with its list expanded
# and, when LibreOffice is installed, a text document.
#
#   scripts/print_screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
reportctl=$build/bin/reportctl
shots=$root/docs/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$root/data/tools/installation/gen_demo.py" "$work/src" >/dev/null
# Eighty more grant rows, so that the grid table runs over several pages.
(cd "$work/src/Demo2022" && "$reportctl" rows Granty.ini insert-empty-n 3 80 >/dev/null)
mkdir -p "$work/report"
"$reportctl" pack "$work/src/Demo2022" "$work/report/Report.rpt"

print() { "$reportctl" print --program-folder "$build/bin" "$work/report" "$@" >/dev/null; }
png() { pdftoppm -r 100 -png -singlefile -f "$2" -l "$2" "$work/$1.pdf" "$shots/$3"; }

print --all --pdf "$work/all.pdf"
png all 1 print-report
print --item Org.ini --pdf "$work/form.pdf"
png form 1 print-form
print --item Granty.ini --pdf "$work/grid.pdf"
png grid 1 print-grid
png grid 2 print-grid-page2
print --item Podr.ini --blank --pdf "$work/blank.pdf"
png blank 1 print-blank
if command -v soffice >/dev/null; then
  print --item Annot.rtf --pdf "$work/document.pdf"
  png document 1 print-document
fi
