#!/usr/bin/env bash
# Packing and unpacking a 50 MB folder of report-like text files: reportctl
# against gcab (create, MSZIP) and cabextract (extract), on the same data.
# Prints the median of several runs, the ratios ours/theirs (below 1.0 means
# ours is faster) and the compressed sizes.
#
# usage: bench/archive_vs_peers.sh [REPORTCTL] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
reportctl=${1:-$root/build/bin/reportctl}
runs=${2:-5}
for tool in gcab cabextract python3; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/install-deps.sh --test)" >&2; exit 1; }
done
[[ -x "$reportctl" ]] || { echo "no reportctl at $reportctl" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/archive-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
data="$work/data"

# Table files as the program writes them: Windows-1251 settings files with
# sections per cell, numbers and Russian captions; sizes from 2 KB to 2 MB.
python3 - "$data" <<'PY'
import os, random, sys
out = sys.argv[1]
os.makedirs(out)
rnd = random.Random(1)
words = ["Количество", "организаций", "выполнявших", "исследования", "разработки", "Всего", "в том числе",
         "аспирантов", "докторантов", "Раздел", "Пункт", "Таблица", "затраты", "тыс. руб.", "итого"]
total, n = 0, 0
while total < 50 * 1024 * 1024:
    size = int(2048 * (1000 ** rnd.random()))
    lines = ["[Таблица]", "Имя=Таблица %d" % n, "Fixed=1"]
    cell, length = 0, 0
    while length < size:
        cell += 1
        block = ["[Cell_%d]" % cell,
                 "Cap=%s" % " ".join(rnd.choice(words) for _ in range(rnd.randint(1, 6))),
                 "Type=%d" % rnd.randint(0, 13),
                 "Value=%d,%02d" % (rnd.randint(0, 10 ** rnd.randint(1, 7)), rnd.randint(0, 99)),
                 "BObj=%d%03d" % (rnd.randint(1, 99), cell)]
        lines += block
        length += sum(len(l) + 2 for l in block)
    text = ("\r\n".join(lines) + "\r\n").encode("cp1251")
    name = ("Таблица_%04d.ini" if n % 3 else "T%04d.ini") % n
    with open(os.path.join(out, name), "wb") as f:
        f.write(text)
    total += len(text)
    n += 1
print("%d files, %.1f MB" % (n, total / 1048576))
PY

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

ours_pack=() gcab_pack=() ours_unpack=() cabx_unpack=()
for ((i = 0; i < runs; i++)); do
  sync
  ours_pack+=("$(seconds "$reportctl" pack "$data" "$work/ours.cab" --no-exchange)")
  sync
  gcab_pack+=("$(seconds bash -c "cd '$data' && gcab -c -z '$work/gcab.cab' *")")
  rm -rf "$work/x1" "$work/x2"; sync
  ours_unpack+=("$(seconds "$reportctl" unpack "$work/ours.cab" "$work/x1" --no-exchange)")
  sync
  cabx_unpack+=("$(seconds cabextract -q -d "$work/x2" "$work/ours.cab")")
done
diff -r "$data" "$work/x1" > /dev/null || { echo "our extraction differs from the input" >&2; exit 1; }
cabextract -q -t "$work/gcab.cab" > /dev/null
cabextract -q -t "$work/ours.cab" > /dev/null

op=$(printf '%s\n' "${ours_pack[@]}" | median)
gp=$(printf '%s\n' "${gcab_pack[@]}" | median)
ou=$(printf '%s\n' "${ours_unpack[@]}" | median)
cu=$(printf '%s\n' "${cabx_unpack[@]}" | median)
os=$(stat -c %s "$work/ours.cab")
gs=$(stat -c %s "$work/gcab.cab")
in=$(du -sb "$data" | cut -f1)
printf 'input                  %d bytes\n' "$in"
printf 'pack    reportctl %6.3f s   gcab -c -z %6.3f s   ratio %.2f\n' "$op" "$gp" "$(echo "$op / $gp" | bc -l)"
printf 'unpack  reportctl %6.3f s   cabextract %6.3f s   ratio %.2f\n' "$ou" "$cu" "$(echo "$ou / $cu" | bc -l)"
printf 'size    reportctl %d bytes   gcab %d bytes   ratio %.3f\n' "$os" "$gs" "$(echo "$os / $gs" | bc -l)"
echo "(medians of $runs runs)"
