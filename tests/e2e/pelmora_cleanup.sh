#!/usr/bin/env bash
# Step 1 of the real Pelmora.exe under wine64, on a prefix seeded with what
# an earlier installation of model 0 left behind.
#
#   pelmora_cleanup.sh WINDOW_DRIVER E2E_SEED PELMORA_EXE leftovers|queue
#
# leftovers: a language monitor key, an OEM INF whose source disk 100 is the
#   model's name, the five spool driver files and the monitor DLL, the
#   installed package and plug-in, kvtool.exe (read-only) and Scrubber.exe,
#   the Run value and a running Tessaly.exe. After Next every one is gone, the
#   communication library is in SysWOW64, and the wizard shows Step 2.
# queue: the same plus a queue on the model's driver. Wine cannot purge a
#   queue (SetPrinterW level 0 answers ERROR_INVALID_LEVEL), so the wizard
#   stays on Step 1 and says exactly that.
set -u
driver=$1 seed=$2 exe=$3 scenario=$4
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
need_wine

c=$WINEPREFIX/drive_c
install=$c/pelmora-e2e-cleanup
# shellcheck source=earlier_installation.sh
source "$(dirname "$0")/earlier_installation.sh"

cleanup() {
  d close Pelmora >/dev/null
  [ -n "${pelmora_pid:-}" ] && { sleep 1; kill "$pelmora_pid" 2>/dev/null; }
  earlier_installation_remove
}
trap cleanup EXIT
cleanup

earlier_installation_seed
if [ "$scenario" = queue ]; then
  w "$seed" add-queue "$queue" "$model" || fail "could not add the queue"
fi
sleep 1

(cd "$install" && exec wine64 Pelmora.exe </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
wait_window Pelmora 180 >/dev/null || { fail "the wizard did not appear"; exit 1; }
d click Pelmora "$IDC_NEXT" || fail "Next could not be clicked"

if [ "$scenario" = queue ]; then
  expected="SetPrinter() failed with error 0000007C: $(w "$seed" message 124)"
  status=$(d wait-text Pelmora "$IDC_STATUS" "SetPrinter()" 120) || fail "no SetPrinter text: '$status'"
  [ "$status" = "$expected" ] || fail "status line '$status', expected '$expected'"
  header=$(d text Pelmora "$IDC_HEADER")
  case $header in *"STEP 1"*) ;; *) fail "the wizard left Step 1: '$header'" ;; esac
  # Next is there again for another try.
  state=$(d state Pelmora "$IDC_NEXT")
  [ "${state%% *}" = 1 ] || fail "Next is not enabled again: $state"
  w "$seed" has-queue "$queue" || fail "the queue went although its purge failed"
else
  header=$(d wait-text Pelmora "$IDC_HEADER" "STEP 2" 240) || fail "no Step 2: '$header'"
  earlier_installation_gone
  [ "$(cat "$c/windows/syswow64/Pexlink2.dll" 2>/dev/null)" = "communication library" ] ||
    fail "the communication library was not copied into SysWOW64"
fi

passed_or_failed "pelmora_cleanup $scenario"
