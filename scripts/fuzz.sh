#!/usr/bin/env bash
# The long fuzzing runs: builds the "fuzz" preset (clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each target, one
# after the other and at the lowest priority, for a number of executions
# (10 million unless given).
#
#   scripts/fuzz.sh [-n EXECUTIONS] [TARGET...]
#   scripts/fuzz.sh --minimise [TARGET...]
#
# The targets are those with a fuzz/<target>.options file, and each runs with
# the [libfuzzer] settings of that file (its input limit), as the tests do.
# A run starts from the target's seeds (fuzz/seeds/<target>), its minimised
# set (fuzz/corpus/<target>) and the corpus the earlier runs grew, which lives
# outside the checkout in $PELMORA_CACHE/fuzz-corpus/<target> (default
# /var/cache/pelmora). What the run finds new goes there, and after the run
# that corpus is merged down to fewer inputs that reach the same features.
# What a run finds lands in build/fuzz-runs/<target>/ (crash-*, timeout-*,
# leak-*); the figures of every run are collected in
# build/fuzz-runs/figures.md, in the form docs/fuzzing.md shows them.
#
# --minimise makes the tree's minimised set again: the seeds, the set and the
# grown corpus merged into an empty folder by the edges they reach (not their
# hit counts: the grown corpus keeps those), less the seeds themselves,
# replace fuzz/corpus/<target>.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${PELMORA_CACHE:-/var/cache/pelmora}/fuzz-corpus
runs=10000000
minimise=
case ${1:-} in
  -n) runs=$2; shift 2 ;;
  --minimise) minimise=1; shift ;;
esac
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for options in fuzz/*.options; do
    targets+=("$(basename "$options" .options)")
  done
fi
for target in "${targets[@]}"; do
  [ -f "fuzz/$target.options" ] || { echo "fuzz: no fuzz/$target.options" >&2; exit 2; }
done

# The [libfuzzer] settings of fuzz/<target>.options as fuzzer flags.
flags_of() {
  awk '/^[ \t]*\[/ { section = $0; gsub(/[][ \t]/, "", section); next }
       section == "libfuzzer" && /^[ \t]*[a-z_]+[ \t]*=/ {
         split($0, kv, "="); gsub(/[ \t]/, "", kv[1]); gsub(/[ \t]/, "", kv[2])
         print "-" kv[1] "=" kv[2] }' "fuzz/$1.options"
}

bash scripts/install-deps.sh fuzz || exit 1
cmake --preset fuzz >/dev/null || exit 1
cmake --build build/fuzz -j "${PELMORA_JOBS:-2}" --target "${targets[@]}" >/dev/null || exit 1

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
out=$root/build/fuzz-runs
mkdir -p "$out" "$cache"

# Merges the input folders after $2 into the empty folder $2: libFuzzer's
# merge with a greedy set cover (-set_cover_merge=1), a few inputs that
# together reach every feature (edges and their hit counts) the inputs reach;
# the plain -merge=1 keeps three times as many for the same features. With
# edges_only set, the features are the edges alone (-use_counters=0).
merge() {
  local target=$1 into=$2 dir inputs=() flags=()
  shift 2
  for dir in "$@"; do [ -d "$dir" ] && inputs+=("$dir"); done
  mapfile -t flags < <(flags_of "$target")
  [ -n "${edges_only:-}" ] && flags+=(-use_counters=0)
  "$root/build/fuzz/fuzz/$target" "${flags[@]}" -set_cover_merge=1 "$into" "${inputs[@]}" \
    >"$out/$target-merge.log" 2>&1 || { tail -n 20 "$out/$target-merge.log"; return 1; }
}

if [ -n "$minimise" ]; then
  status=0
  for target in "${targets[@]}"; do
    set_dir=$root/fuzz/corpus/$target seeds=$root/fuzz/seeds/$target
    new=$out/$target-minimised
    rm -rf "$new"
    mkdir -p "$new"
    edges_only=1 merge "$target" "$new" "$seeds" "$set_dir" "$cache/$target" ||
      { status=1; continue; }
    # The merge names each input by its SHA-1: the seeds are kept as they are.
    for seed in "$seeds"/*; do
      rm -f "$new/$(sha1sum <"$seed" | cut -d' ' -f1)"
    done
    rm -rf "$set_dir"
    mkdir -p "$set_dir"
    cp "$new"/* "$set_dir/" 2>/dev/null
    echo "=== $target: $(find "$set_dir" -type f | wc -l) inputs in fuzz/corpus/$target"
  done
  exit "$status"
fi

figures=$out/figures.md
[ -f "$figures" ] || {
  echo "| Target | Executions | Time (s) | Executions/s | Coverage (edges) | Features | Corpus | Findings |"
  echo "|---|---|---|---|---|---|---|---|"
} >"$figures"

status=0
for target in "${targets[@]}"; do
  dir=$out/$target grown=$cache/$target
  rm -rf "$dir"
  mkdir -p "$dir" "$grown"
  log=$dir/run.log
  mapfile -t flags < <(flags_of "$target")
  echo "=== $target: $runs executions, ${flags[*]}"
  start=$(date +%s)
  nice -n 19 "$root/build/fuzz/fuzz/$target" -runs="$runs" "${flags[@]}" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$dir/" "$grown" "$root/fuzz/seeds/$target" \
    "$root/fuzz/corpus/$target" >"$log" 2>&1
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
  # The grown corpus merged down to what adds coverage.
  rm -rf "$grown.merged"
  mkdir -p "$grown.merged"
  if merge "$target" "$grown.merged" "$grown"; then
    rm -rf "$grown"
    mv "$grown.merged" "$grown"
    echo "=== $target: $(find "$grown" -type f | wc -l) inputs kept in $grown"
  else
    rm -rf "$grown.merged"
    status=1
  fi
done
cat "$figures"
exit "$status"
