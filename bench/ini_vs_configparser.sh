#!/bin/sh
# Reading every key of every section of the same ~5 MB table-shaped settings
# file: TMyIniFile (bench_ini, BM_LoadAndReadAll) against Python's
# configparser. Builds nothing.
#
#   bench/ini_vs_configparser.sh BUILD_DIR [REPETITIONS]
set -eu

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [REPETITIONS]" >&2
  exit 2
fi
build=$1
reps=${2:-5}
bench="$build/bench/bin/bench_ini"
python=/usr/bin/python3
[ -x "$bench" ] || { echo "$0: $bench not built (REPORT_BUILD_BENCH=ON, target bench_ini)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/table.ini"
"$bench" --write-file="$file"

INI_BENCH_FILE="$file" "$bench" --benchmark_filter='^BM_LoadAndReadAll$' \
  --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$work/cpp.json" --benchmark_out_format=json >/dev/null

"$python" - "$file" "$reps" "$work/cpp.json" <<'PY'
import configparser, json, os, statistics, sys, time

path, reps, cpp_json = sys.argv[1], int(sys.argv[2]), sys.argv[3]
size = os.path.getsize(path)

def read_all():
    cp = configparser.ConfigParser(interpolation=None, strict=False)
    cp.read(path, encoding="cp1251")
    n = 0
    for section in cp.sections():
        s = cp[section]
        for key in s:
            n += len(s[key])
    return n

# CPU time on both sides (Google Benchmark's rates use it too), so that
# other load on the machine does not tilt the comparison.
times = []
for _ in range(reps):
    t = time.process_time()
    read_all()
    times.append(time.process_time() - t)
py_mbs = size / statistics.median(times) / 1e6

with open(cpp_json) as f:
    runs = json.load(f)["benchmarks"]
median = next(b for b in runs if b.get("aggregate_name") == "median")
cpp_mbs = median["bytes_per_second"] / 1e6

print(f"file: {size / 1e6:.2f} MB, every key of every section, CPU time, median of {reps} runs")
print(f"{'reader':<26}{'MB/s':>10}")
print(f"{'TMyIniFile (bench_ini)':<26}{cpp_mbs:>10.1f}")
print(f"{'Python configparser':<26}{py_mbs:>10.1f}")
print(f"{'ratio':<26}{cpp_mbs / py_mbs:>10.1f}x")
PY
