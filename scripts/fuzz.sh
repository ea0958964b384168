#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) into build-fuzz/ and runs each for MINUTES minutes, at most
# JOBS at a time (default 2), at low priority. Each target starts from its
# seeds in tests/fuzz/corpus/ and keeps what it learns in
# build-fuzz/corpus/NAME; findings go to build-fuzz/artifacts/NAME/, logs to
# build-fuzz/logs/NAME.log. Prints executions, coverage, features and corpus
# size per target; exits non-zero when any target found a fault.
#
#   scripts/fuzz.sh 30            # every target, 30 minutes each
#   scripts/fuzz.sh 5 1 table     # one target, 5 minutes
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:?usage: fuzz.sh MINUTES [JOBS] [TARGET...]}
jobs=${2:-2}
shift $(( $# >= 2 ? 2 : 1 ))
all=(structure table value_list check_rules_file container checks evaluator cab_reader rtf)
targets=("${@:-${all[@]}}")
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
fuzz=$root/tests/fuzz

"$root/scripts/install-deps.sh" --fuzz
[[ -f $build/CMakeCache.txt ]] ||
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DREPORT_FUZZ=ON -DREPORT_BUILD_GUI=OFF -DREPORT_BUILD_TESTS=OFF -DREPORT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$jobs" --target "${targets[@]/#/fuzz_}" || exit 2

# Options per target: dictionary and limits.
options() {
  case $1 in
    cab_reader) echo "-max_len=65536 -rss_limit_mb=2048 -timeout=20" ;;
    evaluator|checks) echo "-dict=$fuzz/$1.dict -timeout=5" ;;
    *) echo "-dict=$fuzz/$1.dict -max_len=32768 -rss_limit_mb=2048 -timeout=20" ;;
  esac
}
seeds() {
  case $1 in
    cab_reader) [[ -d $root/../shared/fixtures/cab ]] && echo "$root/../shared/fixtures/cab" ;;
    *) [[ -d $fuzz/corpus/$1 ]] && echo "$fuzz/corpus/$1" ;;
  esac
}

run() {
  local name=$1
  mkdir -p "$build/corpus/$name" "$build/artifacts/$name" "$build/logs"
  # shellcheck disable=SC2046
  nice -n 10 "$build/bin/fuzz_$name" "$build/corpus/$name" $(seeds "$name") $(options "$name") \
    -max_total_time=$((minutes * 60)) -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name/" >"$build/logs/$name.log" 2>&1
}

for name in "${targets[@]}"; do
  while (( $(jobs -rp | wc -l) >= jobs )); do wait -n; done
  echo "fuzzing $name for $minutes min"
  run "$name" &
done
wait

failed=0
printf '%-18s %12s %8s %8s %8s  %s\n' target executions cov ft corpus result
for name in "${targets[@]}"; do
  log=$build/logs/$name.log
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  execs=$(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}')
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$last")
  if grep -qE 'ERROR: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer)|runtime error:|==[0-9]+==ERROR' "$log" ||
     ls "$build/artifacts/$name"/* >/dev/null 2>&1; then
    result="FAULT (see $log)"; failed=1
  else
    result=clean
  fi
  printf '%-18s %12s %8s %8s %8s  %s\n' "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result"
done
exit $failed
