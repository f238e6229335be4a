#!/usr/bin/env bash
# The long fuzzing runs: builds the "fuzz" preset (clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each target, one
# after the other and at the lowest priority, for a number of executions
# (10 million unless given), starting from its seed corpus in fuzz/corpus.
# What a run finds lands in build/fuzz-runs/<target>/ (crash-*, timeout-*,
# leak-*); the figures of every run are collected in
# build/fuzz-runs/figures.md, in the form the README shows them.
#
#   scripts/fuzz.sh [-n EXECUTIONS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=10000000
if [ "${1:-}" = "-n" ]; then
  runs=$2
  shift 2
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_discovery_answer fuzz_admin_reply fuzz_settings fuzz_driver_data
           fuzz_usb_answers fuzz_inf_reader fuzz_usb_machine_text fuzz_format
           fuzz_printer_description)
fi

command -v clang++ >/dev/null || {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends clang >/dev/null
}
cmake --preset fuzz >/dev/null || exit 1
cmake --build build/fuzz -j "${PELMORA_JOBS:-2}" --target "${targets[@]}" >/dev/null || exit 1

out=$root/build/fuzz-runs
mkdir -p "$out"
figures=$out/figures.md
[ -f "$figures" ] || {
  echo "| Target | Executions | Time (s) | Executions/s | Coverage (edges) | Features | Corpus | Findings |"
  echo "|---|---|---|---|---|---|---|---|"
} >"$figures"

status=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  dir=$out/$target
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  log=$dir/run.log
  echo "=== $target: $runs executions"
  start=$(date +%s)
  # Text files are read whole: their inputs may be longer than datagrams.
  case $target in
    fuzz_inf_reader | fuzz_usb_machine_text | fuzz_settings) max_len=2048 ;;
    *) max_len=1100 ;;
  esac
  nice -n 19 "$root/build/fuzz/fuzz/$target" -runs="$runs" -max_len=$max_len -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" "$root/fuzz/corpus/$target" \
    >"$log" 2>&1
  rc=$?
  seconds=$(( $(date +%s) - start ))
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n1)
  executions=$(grep -E '^stat::number_of_executed_units:' "$log" | awk '{print $2}')
  cov=$(sed -nE 's/.* cov: ([0-9]+) .*/\1/p' <<<"$done_line")
  ft=$(sed -nE 's/.* ft: ([0-9]+) .*/\1/p' <<<"$done_line")
  corp=$(sed -nE 's/.* corp: ([0-9]+\/[0-9A-Za-z]+) .*/\1/p' <<<"$done_line")
  findings=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' -o -name 'oom-*' \) | wc -l)
  rate=$(( ${executions:-0} / (seconds > 0 ? seconds : 1) ))
  echo "| $target | ${executions:-?} | $seconds | $rate | ${cov:-?} | ${ft:-?} | ${corp:-?} | $findings |" >>"$figures"
  echo "=== $target: rc $rc, ${executions:-?} executions in $seconds s, cov ${cov:-?}, findings $findings"
  [ "$rc" -eq 0 ] && [ "$findings" -eq 0 ] || status=1
done
cat "$figures"
exit "$status"
