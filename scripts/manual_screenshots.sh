#!/usr/bin/env bash
# Converts the user's manual as built (bin/Doc/Руководство пользователя.rtf)
# to PDF with LibreOffice headless and renders its first pages into
# docs/screenshots/manual-page-N.png (pdftoppm, 60 dpi): the title page, the
# contents with the page numbers the word processor filled in, and the
# first chapter.
#
#   scripts/manual_screenshots.sh [BUILD_DIR] [PAGES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
pages=${2:-4}
rtf="$build/bin/Doc/Руководство пользователя.rtf"
[[ -f $rtf ]] || { echo "no manual at $rtf: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$rtf" "$work/manual.rtf"
soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf --outdir "$work" \
  "$work/manual.rtf" >/dev/null 2>&1
echo "$(pdfinfo "$work/manual.pdf" | awk '/^Pages/ { print $2 }') pages"
for ((n = 1; n <= pages; n++)); do
  pdftoppm -r 60 -png -singlefile -f "$n" -l "$n" "$work/manual.pdf" "$root/docs/screenshots/manual-page-$n"
done
