#!/usr/bin/env bash
# Starts the desktop program under a virtual X server on a temporary program
# folder, once with the filled demo report (lights in all three colours) and
# once as a new user (the blank report), saves the structure window to
# docs/screenshots/ and prints the start-up times: from process start to the
# structure window being mapped, median of five starts with the demo report.
#
#   tests/gui/screenshots.sh [OUTDIR]        (BUILD_DIR defaults to build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-$root/docs/screenshots}")

if [[ -z "${REPORT_INSIDE_XVFB:-}" ]]; then
  export REPORT_INSIDE_XVFB=1 BUILD_DIR=$build
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$out"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# A portable program folder: the program beside its installed packages.
program_folder() {
  mkdir -p "$1/Help/Data"
  cp "$build"/bin/Help/Data/*.a "$1/Help/Data/"
  cp "$build/bin/report" "$1/"
}

now() { date +%s%N; }

# Starts the program and waits for its structure window: the milliseconds
# it took in $elapsed, the window id in $window, the pid in $pid.
start_and_wait() {
  local t0 t1
  t0=$(now)
  "$1/report" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 1000); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -F 'Подготовка ' | awk '{print $1}' | head -1 || true)
    [[ -n "$window" ]] && break
    sleep 0.005
  done
  t1=$(now)
  elapsed=$(( (t1 - t0) / 1000000 ))
}

stop_program() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }

shoot() { sleep 1; xwd -id "$window" -silent | convert xwd:- "$1"; }

# The filled demo report, chosen through the recent list.
program_folder "$tmp/demo"
python3 "$root/data/tools/installation/gen_demo.py" "$tmp/gen" >/dev/null
cp -r "$tmp/gen/Demo2022" "$tmp/demo/Demo2022"
"$build/bin/reportctl" pack "$tmp/demo/Demo2022" "$tmp/Report.rpt" >/dev/null
mv "$tmp/Report.rpt" "$tmp/demo/Demo2022/Report.rpt"
history() { printf '[TF_StructRep.MRUManager1]\r\nItem_0=%s\r\n' "$tmp/demo/Demo2022" >"$tmp/demo/History.ini"; }

times=()
for i in 1 2 3 4 5; do
  history
  start_and_wait "$tmp/demo"
  times+=("$elapsed")
  [[ $i == 1 ]] && shoot "$out/structure.png"
  stop_program
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
echo "start-up to the structure window, demo report: ${sorted}ms (median $(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p) ms)"

# A new user: "Отчет1" made from the blank report.
program_folder "$tmp/new"
start_and_wait "$tmp/new"
echo "start-up as a new user: $elapsed ms"
shoot "$out/structure-blank.png"
stop_program
[[ -f "$tmp/new/Отчет1/Report.rpt" ]] && echo "created Отчет1"
echo "saved $out/structure.png and $out/structure-blank.png"

# Windows that need no report: the list window and the sort dialog, grabbed
# by their tests.
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_list_window" screenshot >/dev/null
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_row_dialogs" sortDialogMovesColumnsInTheOrderChosen >/dev/null
echo "saved $out/list-window.png and $out/sort-dialog.png"

# The table window: a grid table with its header, headings and footer, and
# a form table, painted from table files its test writes.
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_table_window" screenshot >/dev/null
echo "saved $out/table-grid.png and $out/table-form.png"

# The cell pop-up menu open over a growing table of the blank report, with
# a row in the buffer ("Из буфера" enabled).
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_row_commands" screenshot >/dev/null
echo "saved $out/row-popup.png"

# A growing table of the blank report partly filled, with its list window
# open on the next row, from the user-session test's own program folder.
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_user_session" screenshot >/dev/null
echo "saved $out/table-list.png"

# The title form filled with the keyboard alone, its current cell framed;
# and the file picker as the program opens it, in Russian.
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_keyboard_session" keyboardOnlyFromStartToEnd >/dev/null
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_russian_dialogs" screenshot >/dev/null
echo "saved $out/current-cell.png and $out/file-dialog.png"

# The folder picker the first spreadsheet export opens, on a home folder of
# its own.
home=$tmp/home
mkdir -p "$home/Документы" "$home/Отчеты" "$home/Рабочий стол"
HOME=$home REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_excel_command" >/dev/null
echo "saved $out/excel-folder-dialog.png"

# The tables frame: the demo report's growing table of publications (it has
# check remarks) with the docked protocol and the cell of its first remark
# highlighted, grabbed by the frame's test on a program folder of its own.
program_folder "$tmp/frame"
cp -r "$tmp/demo/Demo2022" "$tmp/frame/Demo2022"
printf '[TF_StructRep.MRUManager1]\r\nItem_0=%s\r\n' "$tmp/frame/Demo2022" >"$tmp/frame/History.ini"
REPORT_GUI_SHOTS=$out REPORT_SHOT_PROGRAM=$tmp/frame QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_main_form" screenshot >/dev/null
echo "saved $out/frame-protocol.png"

# The composition of an indicator: two departments' values of one cell of
# Kadry, the first corrected from 5 to 6 with "Взять".
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_subreport_windows" TheCompositionWindowTakesAndSavesAValue >/dev/null
echo "saved $out/composition.png"

# A failed rule explained: the docked protocol with the values each rule
# compared, and the remarked cells of a table in their frames.
REPORT_GUI_SHOTS=$out QT_QPA_PLATFORM=xcb "$build/tests/bin/gui_test_explained_errors" choosingAMessageSelectsItsCells >/dev/null
echo "saved $out/protocol-values.png and $out/remarked-cell.png"
