# What an earlier installation of model 0 leaves in a Wine prefix, for the
# scenarios that remove it (pelmora_cleanup.sh, pelmora_unattended.sh).
# Source it after setting:
#   c        the prefix's drive_c          install  the scenario's own folder
#   driver   window_driver.exe             seed     e2e_seed.exe
#   exe      Pelmora.exe
# It needs lib.sh (w, fail) and defines the places, gone, and:
#   earlier_installation_remove   takes everything back (also the queue)
#   earlier_installation_seed     lays it down and starts a "Tessaly.exe"
#   earlier_installation_gone     fails for each trace that is still there
#
# The x86_64 build runs in these scenarios: a 64-bit program on 64-bit
# Windows, so the traces sit where the installer looks on 64-bit Windows (the
# x64 spool folder, system32 and SysWOW64, "C:\Program Files").
spool=$c/windows/system32/spool/drivers/x64/3
package="$c/Program Files/Orvane/Driver/ZELKO"
plugin="$c/Program Files/Orvane/Driver/plugin"
monitor_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Orvane ZELKO Language Monitor'
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
model='Orvane ZELKO-70 Card Printer'
queue='Pelmora e2e desk printer'
monitor_pid=

gone() { [ ! -e "$1" ] || fail "still there: ${1#$c/}"; }

earlier_installation_remove() {
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

earlier_installation_seed() {
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
}

earlier_installation_gone() {
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
}
