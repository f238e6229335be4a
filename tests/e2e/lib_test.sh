#!/usr/bin/env bash
# The Wine scripts' library (lib.sh) on Linux alone: the numbers read from
# the resource headers, the waiting helpers and the result counting.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
problems=0
problem() { echo "PROBLEM: $*"; problems=$((problems + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Numbers: plain ones with or without a comment; versions, texts and hex
# numbers are no control numbers.
cat >"$work/ids.h" <<'EOF'
#define IDC_ONE 1016
#define IDC_TWO   1013        // status line
#define IDC_THREE 7 /* three */
#define VERSION_NUMBERS 2, 0, 0, 0
#define VERSION_TEXT "2.0.0.0"
#define MASK 0x10
#define IDC_FOUR 12abc
#ifndef GUARD_H
EOF
got=$(pelmora_ids "$work/ids.h" | tr '\n' ' ')
[ "$got" = "IDC_ONE=1016 IDC_TWO=1013 IDC_THREE=7 " ] || problem "numbers read: '$got'"
# Every number a script names comes from the headers.
names=$(grep -rhoE '\$\{?(IDC|IDD|ID|TESSALY|REFRESH|TIMER)_[A-Z0-9_]+' \
  "$pelmora_root/tests/e2e" "$pelmora_root/tests/package" "$pelmora_root/scripts" "$pelmora_root/bench" |
  tr -d '${' | sort -u)
[ -n "$names" ] || problem "no script names a control number"
for name in $names; do
  [[ ${!name:-} =~ ^[0-9]+$ ]] || problem "$name is named by a script but not in the headers"
done
[ "$IDC_NEXT" = "$(sed -n 's/^#define IDC_NEXT \([0-9]*\).*/\1/p' "$pelmora_root/resources/pelmora_ids.h")" ] ||
  problem "IDC_NEXT is $IDC_NEXT"

# Waiting: true once the condition holds, false when it never does, and a
# text with the characters of a pattern is found as it stands.
(sleep 1; echo 'status: SetPrinter() failed [x]' >"$work/log") &
wait_log "$work/log" 'SetPrinter() failed [x]' 30 || problem "wait_log missed the line"
wait_log "$work/log" 'SetPrinter() failed [y]' 1 && problem "wait_log found a line that is not there"
wait_file "$work/log" 1 || problem "wait_file missed the file"
wait_file "$work/none" 1 && problem "wait_file found a missing file"
wait_until 2 false && problem "wait_until of a condition that never holds succeeded"
polls=0
count_to_three() { polls=$((polls + 1)); [ "$polls" -ge 3 ]; }
wait_until 30 count_to_three || problem "wait_until gave up on a condition that came true"
[ "$polls" = 3 ] || problem "wait_until polled $polls times for a condition true at the third"
sleep 60 &
sleeper=$!
wait_ended "$sleeper" 1 && problem "wait_ended of a running process succeeded"
kill "$sleeper"
wait "$sleeper" 2>/dev/null
wait_ended "$sleeper" 5 || problem "wait_ended missed the end"

# Results: fail and check count, the summary's exit code follows.
out=$(failures=0; fail one; check two false; check three true; passed_or_failed demo) && problem "failures passed"
[ "$out" = $'FAIL: one\nFAILED: two\nok: three\ndemo: 2 failed' ] || problem "result lines: '$out'"
out=$(failures=0; check one true; passed_or_failed demo) || problem "no failure failed: '$out'"
[ "$out" = $'ok: one\ndemo: passed' ] || problem "result lines: '$out'"

[ "$problems" -eq 0 ] && echo "lib_test: passed" || { echo "lib_test: $problems problem(s)"; exit 1; }
