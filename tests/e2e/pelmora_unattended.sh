#!/usr/bin/env bash
# The real Pelmora.exe under wine64 in its unattended mode: /quiet /remove on
# a prefix seeded with what an earlier installation of model 0 left behind
# (the seeding of pelmora_cleanup.sh, without a queue: Wine cannot purge
# one). It must end with exit code 0, leave none of it, write its log to
# the /log path with the code on the last line, and show nothing at all:
# no top-level window of its own and no message box while it runs.
#
#   pelmora_unattended.sh WINDOW_DRIVER E2E_SEED PELMORA_EXE
set -u
driver=$1 seed=$2 exe=$3
: "${WINEPREFIX:?run inside the Wine environment of scripts/wine-env.sh}"

c=$WINEPREFIX/drive_c
install=$c/pelmora-e2e-unattended
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
  [ -n "${pelmora_pid:-}" ] && kill "$pelmora_pid" 2>/dev/null
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
sleep 1

log=$install/remove.log
(cd "$install" && exec wine64 Pelmora.exe /quiet /remove /log 'C:\pelmora-e2e-unattended\remove.log' \
  </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
# Nothing may appear while it runs: neither the wizard nor a message box
# (a dialog of class #32770, hidden ones counted).
shown=0
while kill -0 "$pelmora_pid" 2>/dev/null; do
  windows=$(w "$driver" count Pelmora)
  boxes=$(w "$driver" count 'class:#32770')
  [ "${windows:-0}" -gt 0 ] || [ "${boxes:-0}" -gt 0 ] && shown=1
  sleep 0.2
done
wait "$pelmora_pid"
code=$?
pelmora_pid=
[ "$shown" -eq 0 ] || fail "a window or a message box appeared"
[ "$code" -eq 0 ] || fail "exit code $code, expected 0"
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
last=$(tail -n 1 "$log" 2>/dev/null | tr -d '\r')
case $last in
  *" end exit code 0: earlier installations removed") ;;
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
  *" end exit code 1639: invalid command line") ;;
  *) fail "last log line of the refused run '$last'" ;;
esac

if [ "$failures" -eq 0 ]; then
  echo "pelmora_unattended: passed"
  exit 0
fi
echo "pelmora_unattended: $failures failed"
exit 1
