#!/usr/bin/env bash
# The real Pelmora.exe under wine64 in its unattended mode: /quiet /remove on
# a prefix seeded with what an earlier installation of model 0 left behind
# (the seeding of pelmora_cleanup.sh, without a queue: Wine cannot purge
# one). It must end with exit code 0, leave none of it, write its log to
# the /log path with the code on the last line, and show nothing at all:
# no top-level window of its own and no message box while it runs. Then two
# /quiet /remove runs started at once: one runs, the other ends at once
# with 1618 and changes nothing, and still nothing is shown.
#
#   pelmora_unattended.sh WINDOW_DRIVER E2E_SEED PELMORA_EXE
set -u
driver=$1 seed=$2 exe=$3
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
need_wine

c=$WINEPREFIX/drive_c
install=$c/pelmora-e2e-unattended
# shellcheck source=earlier_installation.sh
source "$(dirname "$0")/earlier_installation.sh"

cleanup() {
  for pid in "${pelmora_pid:-}" "${pid_a:-}" "${pid_b:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  earlier_installation_remove
}
trap cleanup EXIT
cleanup

earlier_installation_seed
sleep 1

log=$install/remove.log
(cd "$install" && exec wine64 Pelmora.exe /quiet /remove /log 'C:\pelmora-e2e-unattended\remove.log' \
  </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
# Nothing may appear while it runs: neither the wizard nor a message box
# (a dialog of class #32770, hidden ones counted).
shown=0
while kill -0 "$pelmora_pid" 2>/dev/null; do
  windows=$(d count Pelmora)
  boxes=$(d count 'class:#32770')
  [ "${windows:-0}" -gt 0 ] || [ "${boxes:-0}" -gt 0 ] && shown=1
  sleep 0.2
done
wait "$pelmora_pid"
code=$?
pelmora_pid=
[ "$shown" -eq 0 ] || fail "a window or a message box appeared"
[ "$code" -eq 0 ] || fail "exit code $code, expected 0"
earlier_installation_gone
last=$(tail -n 1 "$log" 2>/dev/null | tr -d '\r')
case $last in
  *" end exit code 0: earlier installations removed, process "[1-9]*) ;;
  *) fail "last log line '$last'" ;;
esac
grep -q 'step1 RunCleanupStep: ok' "$log" 2>/dev/null || fail "no Step 1 result in the log"

# A refused command line: the documented code, the usage in the log, still
# nothing shown.
(cd "$install" && exec wine64 Pelmora.exe /quiet /remove /bogus /log 'C:\pelmora-e2e-unattended\bad.log' \
  </dev/null >/dev/null 2>&1)
code=$?
# wine64 hands Linux only the low 8 bits of a Windows exit code; the log's
# last line carries the whole code.
[ "$code" -eq $((1639 % 256)) ] || fail "a bad switch gave exit code $code, expected 1639 (103)"
grep -q 'refused: unknown switch "/bogus"' "$install/bad.log" 2>/dev/null || fail "no refusal in the log"
last=$(tail -n 1 "$install/bad.log" 2>/dev/null | tr -d '\r')
case $last in
  *" end exit code 1639: invalid command line, process "[1-9]*) ;;
  *) fail "last log line of the refused run '$last'" ;;
esac

# Two runs at once, as two deployment tools might start them: whichever
# makes the run mutex first runs, the other ends at once with 1618 (82 in
# the low 8 bits), before the first.
earlier_installation_seed
sleep 1
for run in a b; do
  (cd "$install" && exec wine64 Pelmora.exe /quiet /remove /log "C:\\pelmora-e2e-unattended\\$run.log" \
    </dev/null >/dev/null 2>&1) &
  eval "pid_$run=\$!"
done
shown=0 ended_first=
while kill -0 "$pid_a" 2>/dev/null || kill -0 "$pid_b" 2>/dev/null; do
  windows=$(d count Pelmora)
  boxes=$(d count 'class:#32770')
  [ "${windows:-0}" -gt 0 ] || [ "${boxes:-0}" -gt 0 ] && shown=1
  if [ -z "$ended_first" ]; then
    kill -0 "$pid_a" 2>/dev/null || ended_first=a
    kill -0 "$pid_b" 2>/dev/null || ended_first=${ended_first:-b}
  fi
  sleep 0.2
done
wait "$pid_a"
code_a=$?
wait "$pid_b"
code_b=$?
[ "$shown" -eq 0 ] || fail "a window or a message box appeared during the two runs"
case "$code_a $code_b" in
  "0 82") ran=a refused=b ;;
  "82 0") ran=b refused=a ;;
  *) fail "the two runs ended with $code_a and $code_b, expected 0 and 1618 (82)" ;;
esac
if [ -n "${refused:-}" ]; then
  [ "$ended_first" = "$refused" ] || fail "the refused run did not end first"
  last_ran=$(tail -n 1 "$install/$ran.log" 2>/dev/null | tr -d '\r')
  last_refused=$(tail -n 1 "$install/$refused.log" 2>/dev/null | tr -d '\r')
  case $last_ran in
    *" end exit code 0: earlier installations removed, process "[1-9]*) ;;
    *) fail "last log line of the run '$last_ran'" ;;
  esac
  case $last_refused in
    *" end exit code 1618: another installation is running, process "[1-9]*) ;;
    *) fail "last log line of the refused run '$last_refused'" ;;
  esac
  [ "${last_ran##*, process }" != "${last_refused##*, process }" ] ||
    fail "both runs name the same process"
  grep -q 'run-mutex "Global\\Pelmora.Installer.Run": held by another run' "$install/$refused.log" ||
    fail "the refused run does not say why"
  # The refused run did not take a single step.
  grep -q ' step[123] ' "$install/$refused.log" && fail "the refused run took a step"
  earlier_installation_gone
fi

passed_or_failed pelmora_unattended
