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
#
# The x86_64 build runs here: a 64-bit program on 64-bit Windows, so the
# seeds sit where the installer looks on 64-bit Windows (the x64 spool
# folder, system32 and SysWOW64, "C:\Program Files").
set -u
driver=$1 seed=$2 exe=$3 scenario=$4
: "${WINEPREFIX:?run inside the Wine environment of scripts/wine-env.sh}"

c=$WINEPREFIX/drive_c
install=$c/pelmora-e2e-cleanup
spool=$c/windows/system32/spool/drivers/x64/3
package="$c/Program Files/Orvane/Driver/ZELKO"
plugin="$c/Program Files/Orvane/Driver/plugin"
monitor_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Orvane ZELKO Language Monitor'
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
model='Orvane ZELKO-70 Card Printer'
queue='Pelmora e2e desk printer'
failures=0

w() { wine64 "$@" </dev/null 2>/dev/null; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
gone() { [ ! -e "$1" ] || fail "still there: ${1#$c/}"; }

cleanup() {
  w "$driver" close Pelmora >/dev/null
  [ -n "${pelmora_pid:-}" ] && { sleep 1; kill "$pelmora_pid" 2>/dev/null; }
  [ -n "${monitor_pid:-}" ] && kill "$monitor_pid" 2>/dev/null
  w "$seed" remove-queue "$queue"
  # Every driver name of the model's family: one that another scenario left
  # would stop the removal (Wine cannot delete drivers the way Step 1 asks).
  for name in "$model" 'Orvane ZELKO-40 Card Printer' 'Orlent ZELKO Card Printer' \
              'VANTO-70 Card Printer' 'QEL-KLX-2D'; do
    w "$seed" remove-driver "$name"
  done
  w reg delete "$monitor_key" /f >/dev/null
  w reg delete "$run_key" /v Tessaly /f >/dev/null
  chmod -R u+w "$install" 2>/dev/null
  rm -rf "$install" "$package" "$plugin" "$c/windows/inf/oem77.inf" \
    "$c/windows/system32/kvtool.exe" "$c/windows/syswow64/Scrubber.exe" \
    "$c/windows/syswow64/Pexlink2.dll" "$c/windows/system32/ZELKOmon.dll" "$spool"/ZELKO*
}
trap cleanup EXIT
cleanup

# What the earlier installation left.
# A 64-bit Windows always has SysWOW64; a Wine without its 32-bit half has
# none, so the scenario makes it.
mkdir -p "$install/ZELKO" "$install/monitor" "$spool" "$package" "$plugin" "$c/windows/syswow64"
cp "$exe" "$install/Pelmora.exe"
printf 'MODEL: 0\r\n' > "$install/Pelmora.ini"
printf 'communication library' > "$install/ZELKO/Pexlink2.dll"
w reg add "$monitor_key" /v Driver /d ZELKOmon.dll /f >/dev/null
w reg add "$run_key" /v Tessaly /d 'C:\windows\system32\Tessaly.exe' /f >/dev/null
printf '[Version]\r\nSignature="$Windows NT$"\r\nClass=Printer\r\n[SourceDisksNames]\r\n100 = %%Disk%%,,,\r\n[Strings]\r\nDisk="%s"\r\n' \
  "$model" > "$c/windows/inf/oem77.inf"
for name in ZELKOuni.dll ZELKOui.dll ZELKO.bud ZELKO.gpd ZELKO.ini; do
  printf 'driver file' > "$spool/$name"
done
printf 'MZ' > "$c/windows/system32/ZELKOmon.dll"
printf 'package' > "$package/ZELKO.inf"
printf 'plug-in' > "$plugin/Cardplug.dll"
printf 'plug-in' > "$plugin/Cardplug.INI"
printf 'MZ' > "$c/windows/system32/kvtool.exe"
w attrib +r 'C:\windows\system32\kvtool.exe'
printf 'MZ' > "$c/windows/syswow64/Scrubber.exe"
# A running monitor: any program whose module is named Tessaly.exe.
cp "$driver" "$install/monitor/Tessaly.exe"
wine64 "$install/monitor/Tessaly.exe" sleep 600 </dev/null >/dev/null 2>&1 &
monitor_pid=$!
if [ "$scenario" = queue ]; then
  w "$seed" add-queue "$queue" "$model" || fail "could not add the queue"
fi
sleep 1

(cd "$install" && exec wine64 Pelmora.exe </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
w "$driver" wait Pelmora 60 >/dev/null || { fail "the wizard did not appear"; exit 1; }
w "$driver" click Pelmora 1016 || fail "Next could not be clicked"

if [ "$scenario" = queue ]; then
  expected="SetPrinter() failed with error 0000007C: $(w "$seed" message 124)"
  status=$(w "$driver" wait-text Pelmora 1013 "SetPrinter()" 120) || fail "no SetPrinter text: '$status'"
  [ "$status" = "$expected" ] || fail "status line '$status', expected '$expected'"
  header=$(w "$driver" text Pelmora 1012)
  case $header in *"STEP 1"*) ;; *) fail "the wizard left Step 1: '$header'" ;; esac
  # Next is there again for another try.
  state=$(w "$driver" state Pelmora 1016)
  [ "${state%% *}" = 1 ] || fail "Next is not enabled again: $state"
  w "$seed" has-queue "$queue" || fail "the queue went although its purge failed"
else
  header=$(w "$driver" wait-text Pelmora 1012 "STEP 2" 240) || fail "no Step 2: '$header'"
  kill -0 "$monitor_pid" 2>/dev/null && fail "the running Tessaly.exe was not ended"
  w reg query "$monitor_key" >/dev/null && fail "the language monitor key is still there"
  w reg query "$run_key" /v Tessaly >/dev/null && fail "the Run value is still there"
  gone "$c/windows/inf/oem77.inf"
  for name in ZELKOuni.dll ZELKOui.dll ZELKO.bud ZELKO.gpd ZELKO.ini; do gone "$spool/$name"; done
  gone "$c/windows/system32/ZELKOmon.dll"
  gone "$package"
  gone "$plugin/Cardplug.dll"
  gone "$plugin/Cardplug.INI"
  gone "$c/windows/system32/kvtool.exe"
  gone "$c/windows/syswow64/Scrubber.exe"
  [ "$(cat "$c/windows/syswow64/Pexlink2.dll" 2>/dev/null)" = "communication library" ] ||
    fail "the communication library was not copied into SysWOW64"
fi

if [ "$failures" -eq 0 ]; then
  echo "pelmora_cleanup $scenario: passed"
  exit 0
fi
echo "pelmora_cleanup $scenario: $failures failed"
exit 1
