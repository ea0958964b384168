# Shared by the end-to-end stories; sourced after they set bin (the folder
# holding reportctl and the built installation), src (the source tree),
# ctl (reportctl) and work (their scratch folder).

step() { echo "--- $*"; }
fail() { echo "$*" >&2; exit 1; }

# demo_office DIR: a program folder DIR holding the built installation and
# the demo report packed into "DIR/Отчет".
demo_office() {
  local office=$1
  mkdir -p "$office/Help"
  cp -R "$bin/Help/Data" "$office/Help/"
  python3 "$src/data/tools/installation/gen_demo.py" "$work/gen" >/dev/null
  mkdir -p "$office/Отчет"
  "$ctl" pack "$work/gen/Demo2022" "$office/Отчет/Report.rpt"
}
