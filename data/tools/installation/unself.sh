#!/bin/sh
# Self-extracting stub of a sub-report transfer package ("Setup_p.exe").
#
# The package is this script, then the 40-byte separator, then the archive
# "Arch.rpt" (a cabinet package of the staging folder, first two bytes not
# exchanged). The script finds the separator in its own file, copies the
# archive that follows it into the destination folder and unpacks it there
# with the installed command-line program; the packages of the template,
# list and print folders are then moved to Help/Data, where the program
# expects them.
#
# Usage:  sh Setup_p.exe [DESTINATION]      (default: $HOME/Report)
# The program is found as $REPORTCTL, else as "reportctl" on the PATH.
#
# Every line ends with "#" so that the stub also runs when its line ends have
# been turned into CR LF (the carriage return then belongs to the comment);
# the script never reaches the binary part because it always exits first.
#
set -u #
dest="${1:-$HOME/Report}" #
tool="${REPORTCTL:-reportctl}" #
self="$0" #
mark='!DATA!' #
sep="${mark}KALMEROKALMEROKALMEROKALMERO${mark}" #
offset=$(LC_ALL=C grep -a -b -o -F "$sep" "$self" | head -n 1 | cut -d: -f1) #
if [ -z "$offset" ]; then #
  echo "Setup_p: no archive found after the stub in $self" >&2 #
  exit 1 #
fi #
start=$((offset + 41)) #
mkdir -p "$dest" || exit 1 #
arch="$dest/Arch.rpt" #
tail -c +"$start" "$self" > "$arch" || exit 1 #
if ! "$tool" unpack "$arch" "$dest" --no-exchange; then #
  echo "Setup_p: unpacking $arch with $tool failed" >&2 #
  exit 1 #
fi #
rm -f "$arch" #
mkdir -p "$dest/Help/Data" || exit 1 #
for f in TI.a TL.a TP.a; do #
  if [ -f "$dest/$f" ]; then mv -f "$dest/$f" "$dest/Help/Data/$f" || exit 1; fi #
done #
echo "Setup_p: sub-report installation unpacked into $dest" #
exit 0 #
