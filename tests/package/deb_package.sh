#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack from this build,
# holding the program, its installation, the help and the manual but no test
# program or benchmark; unpacked into a scratch root (dpkg -x), its reportctl
# creates a report in the user's folder of a scratch HOME and opens it; and
# lintian finds no error in it (its warnings are printed).
#
#   tests/package/deb_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: deb_package.sh BUILD_DIR}" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Build the package into the scratch folder.
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Package Version Depends Recommends

fail() { echo "FAIL: $*"; exit 1; }
dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; print substr($0, 6) }' | sed 's#^\./#/#' >"$work/contents"
desktop=()
# A build without the desktop program packs reportctl alone.
[[ -x $build/bin/report ]] && desktop=(/usr/bin/report /usr/share/applications/report.desktop
  /usr/share/icons/hicolor/scalable/apps/report.svg /usr/share/man/man1/report.1.gz)
for path in "${desktop[@]}" /usr/bin/reportctl \
    /usr/share/report/Help/Data/TI.a /usr/share/report/Help/Data/TL.a /usr/share/report/Help/Data/TP.a \
    /usr/share/report/Help/Data/S.a /usr/share/report/Help/Data/Demo.rpt \
    /usr/share/report/Help/html/index.html "/usr/share/report/Doc/Руководство пользователя.rtf" \
    /usr/share/doc/report/copyright /usr/share/man/man1/reportctl.1.gz /usr/libexec/report/reportctl-print; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
if grep -E '/(test_|gui_test_|bench_)[^/]*$' "$work/contents"; then fail "test programs or benchmarks in the package"; fi

# Installed into a scratch root: a new report in the user's folder, opened.
dpkg -x "$deb" "$work/root"
home=$work/home
mkdir -p "$home"
ctl=$work/root/usr/bin/reportctl
created=$(env -u XDG_DATA_HOME HOME="$home" "$ctl" new) || fail "reportctl new failed"
[[ $created == "$home/.local/share/report/Отчет1/" ]] || fail "new report in $created"
[[ -f ${created}Report.rpt ]] || fail "no Report.rpt in $created"
tables=$(env -u XDG_DATA_HOME HOME="$home" "$ctl" open "$created") || fail "reportctl open failed"
[[ $(grep -c $'\t' <<<"$tables") -ge 10 ]] || fail "the new report shows $(grep -c $'\t' <<<"$tables") tables"
# reportctl hands its toolkit commands over to the companion in the
# package's private program folder.
env -u XDG_DATA_HOME HOME="$home" "$ctl" print "$created" --all --pdf "$work/report.pdf" >/dev/null ||
  fail "reportctl print failed"
[[ -s $work/report.pdf ]] || fail "reportctl print wrote no PDF"
# Nothing was written into the installation.
[[ -z $(find "$work/root" -newer "$deb" -not -type d) ]] || fail "files written into the installation"
echo "reportctl new and open: $(grep -c $'\t' <<<"$tables") tables in $created"

if ! command -v lintian >/dev/null; then
  echo "lintian is not installed: the package was not linted"
  exit 0
fi
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" || fail "lintian found errors"
echo "lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors, $(grep -c '^W:' "$work/lintian.log" || true) warnings"
