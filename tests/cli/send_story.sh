#!/usr/bin/env bash
# The demo report sent with reportctl, and what the receiving organisation
# gets:
#   1. without --force the send stops at the tables with remarks, listing them;
#   2. through the Internet: the mail folder holds the data file and its
#      checksum; the data file is a gzip member holding "R.txt" and the send
#      archive; the archive, bytes exchanged back, is a sound cabinet of the
#      tables in tree order, the structure file and "SInfo.Inf"; "R.txt" is
#      the data lines of those tables;
#   3. on a medium: the data file in "<medium>/Отчет (для отправки)/";
#   4. the system information as text.
#
# Usage: send_story.sh BIN_DIR SOURCE_DIR   (BIN_DIR holds reportctl)
set -euo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
ctl="$bin/reportctl"
work=$(mktemp -d "${TMPDIR:-/tmp}/send-story.XXXXXX")
trap 'rm -rf "$work"' EXIT

. "$(dirname "$0")/story_common.sh"

office="$work/office"
demo_office "$office"
report="$office/Отчет"
mail="$office/Почтовый ящик"
code=H83791   # the demo institution's code, "Н83791" in the list

step "1. tables with remarks stop the send"
set +e
"$ctl" send --program-folder "$office" "$report" --route internet 2>"$work/stop.txt"
status=$?
set -e
[ "$status" = 3 ] || fail "exit $status without --force"
grep -q "Обнаружены некорректные соотношения" "$work/stop.txt" || fail "the tables with remarks were not listed"
[ ! -e "$mail/R_$code.rpt" ] || fail "a data file was written"

step "2. through the Internet"
sent=$("$ctl" send --program-folder "$office" "$report" --route internet --force 2>"$work/internet.txt")
[ "$sent" = "$mail/R_$code.rpt" ] || fail "sent $sent"
grep -q "Адрес: .*?a=H83791" "$work/internet.txt" || fail "no upload address: $(cat "$work/internet.txt")"
[ "$(ls "$mail")" = "$(printf 'R_%s.rpt\nR_%s.rpt.sha256' $code $code)" ] || fail "mail folder: $(ls "$mail")"
(cd "$mail" && sha256sum -c --quiet "R_$code.rpt.sha256") || fail "checksum refused"
[ ! -e "$office/R.txt" ] || fail "R.txt left in the program folder"

gzip -dc "$sent" > "$work/container"
python3 - "$work/container" "$work/parts" >/dev/null <<'PY'
import os, sys
data = open(sys.argv[1], "rb").read()
out = sys.argv[2]
os.makedirs(out)
assert data[:7] == b"kwatrel", data[:7]
count, at, names = int(data[7:11]), 11, []
for _ in range(count):
    n = int(data[at:at + 4]); name = data[at + 4:at + 4 + n].decode("cp1251")
    size = int(data[at + 4 + n:at + 24 + n]); at += 24 + n
    open(os.path.join(out, name), "wb").write(data[at:at + size]); at += size
    names.append(name)
assert at == len(data), "trailing bytes"
print("\n".join(names))
PY

[ "$(ls "$work/parts")" = "$(printf 'R.txt\nR_%s.rpt' $code)" ] || fail "container entries: $(ls "$work/parts")"
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[0], b[1] = b[1], b[0]; open(sys.argv[2], "wb").write(b)' \
  "$work/parts/R_$code.rpt" "$work/archive.cab"
cabextract -t "$work/archive.cab" >/dev/null || fail "cabextract refuses the send archive"
mkdir -p "$work/sent"
cabextract -q -d "$work/sent" "$work/archive.cab"
names=$(cabextract -l "$work/archive.cab" | awk -F'|' 'NF == 3 { gsub(/^ +| +$/, "", $3); print $3 }' | tail -n +2)
[ "$(echo "$names" | tail -2)" = "$(printf 'Nir2022.str\nSInfo.Inf')" ] || fail "archive ends with: $(echo "$names" | tail -2)"
tables=()
while IFS= read -r name; do
  case "$name" in *.ini) tables+=("$work/sent/$name") ;; esac
done <<< "$names"
[ "${#tables[@]}" -gt 20 ] || fail "only ${#tables[@]} tables sent"
mkdir -p "$work/lists"
"$ctl" unpack "$office/Help/Data/TL.a" "$work/lists"
"$ctl" datalines --lists "$work/lists" "${tables[@]}" > "$work/datalines.txt"
cmp "$work/parts/R.txt" "$work/datalines.txt" || fail "R.txt differs from the tables' data lines"
grep -q "Операционная система и процессор" <(iconv -f cp1251 -t utf-8 "$work/sent/SInfo.Inf") || fail "no system information"

step "3. on a medium"
medium="$work/medium"
sent=$("$ctl" send --program-folder "$office" "$report" --route media --to "$medium" --force 2>/dev/null)
[ "$sent" = "$medium/Отчет (для отправки)/R_$code.rpt" ] || fail "sent $sent"
(cd "$medium/Отчет (для отправки)" && sha256sum -c --quiet "R_$code.rpt.sha256") || fail "checksum refused"
cmp "$sent" "$report/Report.rpt" || fail "the report's package is not the send archive"
"$ctl" open --program-folder "$office" "$report" >/dev/null || fail "the report no longer opens"

step "4. system information"
"$ctl" sysinfo > "$work/sysinfo.txt"
grep -q "^Внешие накопители$" "$work/sysinfo.txt" || fail "no drives block"
grep -q "^Принтеры$" "$work/sysinfo.txt" || fail "no printers block"
echo "the report was sent"
