#!/usr/bin/env bash
# A department's sub-report from the head office and back, with reportctl:
#   1. the head office creates a sub-report of the demo report (table Kadry);
#   2. transfers it: Setup_p.exe in "<medium>/Кафедра 3 (для передачи)/";
#   3. the department installs it with its stub into a temporary home;
#   4. creates its report there and fills one cell of Kadry (reportctl set);
#   5. hands the report's folder back on the medium;
#   6. the head office receives it into the sub-report's folder;
#   7. and includes it into the report.
# The head office's numbers then differ by exactly the typed value in that
# cell; no other input cell of any table changes (a blank counts as 0).
#
# Usage: department_story.sh BIN_DIR SOURCE_DIR   (BIN_DIR holds reportctl)
set -euo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
ctl="$bin/reportctl"
work=$(mktemp -d "${TMPDIR:-/tmp}/department-story.XXXXXX")
trap 'rm -rf "$work"' EXIT

typed=17        # what the department types into Kadry, row 2, column 3
table=Kadry.ini
cell=2-3

. "$(dirname "$0")/story_common.sh"

step "head office: the demo report"
office="$work/office"
demo_office "$office"
report="$office/Отчет"
sub="$office/Кафедра 3"

step "1. a sub-report holding $table"
"$ctl" subreport create --program-folder "$office" "$report" "$sub" Kadry

step "2. transfer"
dest=$("$ctl" transfer --program-folder "$office" "$sub" "$work/medium")
[ "$dest" = "$work/medium/Кафедра 3 (для передачи)/" ] || { echo "transferred into $dest" >&2; exit 1; }

step "3. installation at the department"
home="$work/home"
mkdir -p "$home"
# A truncated package stops with a message and leaves its folder empty.
size=$(wc -c < "$dest/Setup_p.exe")
head -c $((size - 1000)) "$dest/Setup_p.exe" > "$work/truncated.exe"
if HOME="$home" PATH="$bin:$PATH" sh "$work/truncated.exe" "$work/broken" 2> "$work/broken.txt"; then
  echo "a truncated package was installed" >&2; exit 1
fi
grep -q truncated "$work/broken.txt" || { cat "$work/broken.txt" >&2; exit 1; }
if { [ -d "$work/broken" ] && [ -n "$(ls -A "$work/broken")" ]; } || [ -n "$(ls -A "$home")" ]; then
  echo "a truncated package left files" >&2; exit 1
fi
HOME="$home" PATH="$bin:$PATH" sh "$dest/Setup_p.exe"
inst="$home/Report (подотчет)"
for f in reportctl Help/Data/TI.a Help/Data/TL.a Help/Data/TP.a; do
  [ -f "$inst/$f" ] || { echo "the installation lacks $f" >&2; exit 1; }
done

step "4. the department fills its report"
dep=$("$inst/reportctl" new --program-folder "$inst")
"$inst/reportctl" set --program-folder "$inst" "$dep" "$table" "$cell" "$typed" >/dev/null

step "5. the report's folder handed back"
cp -R "$dep" "$work/medium/returned"

step "6. reception"
received=$("$ctl" receive --program-folder "$office" "$work/medium/returned")
[ "$received" = "$sub/" ] || { echo "received into $received" >&2; exit 1; }

step "7. inclusion"
mkdir -p "$work/before" "$work/after"
"$ctl" unpack "$report/Report.rpt" "$work/before"
"$ctl" include --program-folder "$office" "$report" "$sub" >/dev/null
"$ctl" unpack "$report/Report.rpt" "$work/after"

step "the head office's numbers"
python3 - "$work/before" "$work/after" "$table" "$cell" "$typed" <<'EOF'
import configparser, os, sys

before, after, table, cell, typed = sys.argv[1:]
row, col = cell.split("-")

def inputs(folder):
    """(file, row, col or section) -> number of every integer and real cell."""
    out = {}
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith(".ini"):
            continue
        ini = configparser.RawConfigParser(strict=False, interpolation=None)
        ini.optionxform = str
        with open(os.path.join(folder, name), encoding="cp1251") as f:
            ini.read_string(f.read())
        for section in ini.sections():
            s = ini[section]
            if not section.startswith("Cell_") or s.get("Type") not in ("2", "3"):
                continue
            text = s.get("Cap", "").strip().replace(",", ".")
            key = (name, s.get("Row", ""), s.get("Col", ""), section if s.get("Row") is None else "")
            out[key] = float(text) if text else 0.0
    return out

a, b = inputs(before), inputs(after)
assert a.keys() == b.keys(), "the tables' cells differ"
changed = {k: (a[k], b[k]) for k in a if abs(a[k] - b[k]) > 1e-9}
wanted = (table, row, col, "")
assert list(changed) == [wanted], "changed cells: %r" % changed
old, new = changed[wanted]
assert abs(new - old - float(typed)) < 1e-9, "%s %s: %s -> %s" % (table, cell, old, new)
print("%s %s: %g + %s = %g; no other input cell changed" % (table, cell, old, typed, new))
EOF
echo "department story: ok"
