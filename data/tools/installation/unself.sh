#!/bin/sh
# Self-extracting stub of a sub-report transfer package ("Setup_p.exe").
#
# The package is this script, then the 40-byte separator, then the archive
# "Arch.rpt": a cabinet (first two bytes not exchanged) of the program's
# executables, its help and manual and the packages TI.a, TL.a and TP.a of
# the sub-report. The script finds the separator in its own file, checks
# that a whole cabinet follows it, unpacks it in a scratch folder inside the
# destination and then sets up a sub-report-only installation there: the
# executables and documents at the top, the three packages in Help/Data.
#
# Usage:  sh Setup_p.exe [FOLDER]
#   FOLDER defaults to "$HOME/Report (<sub-report> in Russian)".
# The archive is unpacked with the program's own reportctl ($REPORTCTL, else
# reportctl on the PATH), otherwise with cabextract. Nothing is written
# outside FOLDER; a damaged or truncated package stops with a message and
# leaves FOLDER as it was.
#
# Every line ends with "#" so that the stub also runs when its line ends have
# been turned into CR LF (the carriage return then belongs to the comment);
# the script never reaches the binary part because it always exits first.
#
set -u #
say() { echo "Setup_p: $*"; } #
fail() { echo "Setup_p: $*" >&2; exit 1; } #
self="$0" #
[ -r "$self" ] || fail "cannot read the package $self" #
word=$(printf '\320\277\320\276\320\264\320\276\321\202\321\207\320\265\321\202') #
dest="${1:-$HOME/Report ($word)}" #
mark='!DATA!' #
sep="${mark}KALMEROKALMEROKALMEROKALMERO${mark}" #
offset=$(LC_ALL=C grep -a -b -o -F "$sep" "$self" | head -n 1 | cut -d: -f1) #
[ -n "$offset" ] || fail "the package $self is damaged: no archive follows the installer" #
start=$((offset + 41)) #
total=$(wc -c < "$self") #
size=$((total - start + 1)) #
[ "$size" -gt 36 ] || fail "the package $self is damaged: the archive is missing or truncated" #
# The cabinet's header: "MSCF", then its whole length (little-endian) at byte 8. #
head=$(tail -c +"$start" "$self" | head -c 12 | od -An -v -tu1) #
set -- $head #
[ "$1 $2 $3 $4" = "77 83 67 70" ] || fail "the package $self is damaged: the archive is not a cabinet" #
declared=$(( $9 + ${10} * 256 + ${11} * 65536 + ${12} * 16777216 )) #
[ "$declared" -le "$size" ] || fail "the package $self is truncated: $size of $declared archive bytes present" #
if [ -n "${REPORTCTL:-}" ]; then tool="$REPORTCTL"; else tool=$(command -v reportctl || true); fi #
if [ -z "$tool" ] && ! command -v cabextract >/dev/null 2>&1; then #
  fail "neither reportctl nor cabextract is installed; install one of them (Debian: apt install cabextract)" #
fi #
mkdir -p "$dest" || fail "cannot create the folder $dest" #
work=$(mktemp -d "$dest/.setup_p.XXXXXX") || fail "cannot write into $dest" #
trap 'rm -rf "$work"' EXIT #
trap 'exit 1' HUP INT TERM #
mkdir "$work/files" || fail "cannot write into $dest" #
tail -c +"$start" "$self" | head -c "$declared" > "$work/Arch.rpt" || fail "cannot write into $dest" #
if [ -n "$tool" ]; then #
  "$tool" unpack "$work/Arch.rpt" "$work/files" --no-exchange >/dev/null || fail "the package $self is damaged: its archive does not unpack" #
else #
  cabextract -q -d "$work/files" "$work/Arch.rpt" >/dev/null || fail "the package $self is damaged: its archive does not unpack" #
fi #
[ -f "$work/files/TI.a" ] || fail "the package $self is damaged: it holds no sub-report (TI.a)" #
mkdir -p "$work/files/Help/Data" || fail "cannot write into $dest" #
for f in TI.a TL.a TP.a; do #
  if [ -f "$work/files/$f" ]; then mv -f "$work/files/$f" "$work/files/Help/Data/$f" || fail "cannot write into $dest"; fi #
done #
for f in report reportctl; do #
  if [ -f "$work/files/$f" ]; then chmod 755 "$work/files/$f"; fi #
done #
cp -R "$work/files/." "$dest/" || fail "cannot write into $dest" #
say "the sub-report installation is in $dest" #
if [ -f "$dest/report" ]; then say "start it with: \"$dest/report\""; fi #
exit 0 #
