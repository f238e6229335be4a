#!/usr/bin/env bash
# Installs, upgrades and removes the Windows Installer package with Wine's
# msiexec, silently, on a fresh prefix of its own, and checks what each step
# leaves on the disk and in the registry:
#   1. msiexec /i OLD /qn: every file in place (the 32-bit system folder of a
#      64-bit prefix is syswow64, Program Files is "Program Files (x86)"), the
#      Start-menu shortcut, the Programs-and-Features entry with its version;
#   2. msiexec /i NEW /qn: the newer package replaces the older one (one
#      entry, the new version, the new files);
#   3. with WIN64_BUILD, the deployment chain as a deployment tool runs it:
#      the x86_64 build of the programs put over the installed ones (Wine
#      here runs 64-bit programs only), then from the folder the package
#      made, "C:\Program Files (x86)\Orvane\Pelmora", the documented Intune
#      command's Pelmora.exe /quiet /usb /model 0 /log
#      "%ProgramData%\Orvane\Pelmora-install.log" (staging the driver
#      package; the log's folder made) and /quiet /remove, each
#      ending with 0, nothing shown, its log's last line and what it leaves
#      checked;
#   4. msiexec /x NEW /qn: everything the package laid down is gone;
#   5. with the three test packages built from the x86_64 programs (the
#      same source, an older version, this one and this one built again),
#      the package doing the whole job: an unknown MODEL fails the package,
#      which rolls back and leaves nothing; the older package, then this one
#      with CONNECTION=USB MODEL=0 over it (the driver package staged, the
#      success marker written, one Programs-and-Features entry), then the
#      rebuild of the same version over that (still one entry), then
#      msiexec /x {ProductCode}, which runs the installer's removal and
#      leaves nothing: files, Run value, marker, driver folder; a running
#      Tessaly asked to end before an upgrade replaces its files (the
#      package's log), started again at its end, and ended by the removal.
#
#   msi_wine_test.sh OLD.msi NEW.msi [WIN64_BUILD [OLD64.msi NEW64.msi REBUILT64.msi]]
set -u
copies=$(mktemp -d)
# Wine here runs 64-bit programs only: for the 32-bit PelmoraAction.dll it
# would wait for ever for a 32-bit custom action server, and CloseMonitor
# runs at every installation, upgrade and removal. So steps 1, 2 and 4
# install copies of the 32-bit packages without the two monitor actions
# (they check files, entries and upgrades); the actions run in step 5, from
# the packages of the x86_64 programs.
without_monitor_actions() {  # without_monitor_actions MSI: prints the copy's path
  local copy
  copy=$copies/$(basename "$1" .msi)-$RANDOM.msi
  cp "$1" "$copy" &&
    msiinfo export "$copy" InstallExecuteSequence |
    grep -v -e '^CloseMonitor'$'\t' -e '^StartMonitor'$'\t' >"$copies/InstallExecuteSequence.idt" &&
    (cd "$copies" && msibuild "$copy" -i InstallExecuteSequence.idt) && echo "$copy"
}
old=$(without_monitor_actions "$(realpath "$1")") || { echo "FAIL: no copy of $1"; exit 1; }
new=$(without_monitor_actions "$(realpath "$2")") || { echo "FAIL: no copy of $2"; exit 1; }
win64=${3:+$(realpath "$3")}
old64=${4:+$(realpath "$4")}
new64=${5:+$(realpath "$5")}
rebuilt64=${6:+$(realpath "$6")}
# shellcheck source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
prefix=${PELMORA_CACHE:-/var/cache/pelmora}/wineprefix-msi
# A fresh prefix: what an earlier run installed must not hide a fault.
rm -rf "$prefix"
wine_up "$prefix" "${PELMORA_MSI_DISPLAY:-:97}" || { echo "FAIL: no Wine environment"; exit 1; }
trap 'wine_down; rm -rf "$copies"' EXIT

drive=$WINEPREFIX/drive_c
installdir="$drive/Program Files (x86)/Orvane/Pelmora"
system="$drive/windows/syswow64"
# A per-machine package puts its shortcut into the common Start menu on
# Windows; Wine 8's msi resolves the Start menu folder for the user even then.
start_menu=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
  "$drive/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
shortcut_name="Card Printer Driver Installer/Card Printer Driver Installer.lnk"
shortcut() { local m; for m in "${start_menu[@]}"; do [ -s "$m/$shortcut_name" ] && echo "$m/$shortcut_name"; done; }
uninstall='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
version_of() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }'; }
# The entry's DisplayVersion, or nothing when there is no entry.
entry_version() {
  wine64 reg query "$uninstall\\$1" /v DisplayVersion 2>/dev/null | tr -d '\r' |
    awk '$1 == "DisplayVersion" { print $3 }'
}
# The Nth indented code block under a heading of docs/deployment.md, its
# lines without their indentation and with Windows' line ends.
doc_block() {
  awk -v heading="$1" -v want="$2" '
    /^#/ { inside = ($0 == heading); block = 0; was_code = 0; next }
    !inside { next }
    /^    / {
      if (!was_code) block++
      was_code = 1
      if (block == want) { sub(/^ +/, ""); printf "%s\r\n", $0 }
      next
    }
    /^$/ { next }
    { was_code = 0 }' "$pelmora_root/docs/deployment.md"
}
# Wine's msiexec returns when the installation has ended.
msiexec() { wine64 msiexec "$@" </dev/null >/dev/null 2>&1; }
# The media's files as the package lists them.
media_files() { msiinfo export "$1" File | tr -d '\r' | awk -F'\t' 'NR > 3 { print $3 }' | LC_ALL=C sort; }

old_code=$(product_code "$old")
new_code=$(product_code "$new")
old_version=$(version_of "$old")
new_version=$(version_of "$new")
[ "$old_code" != "$new_code" ] || fail "the two packages share the product code $old_code"

# 1. The older package.
msiexec /i "$(winepath -w "$old")" /qn || fail "msiexec /i of $old_version: exit code $?"
for file in Pelmora.exe Pelmora.ini README.txt Bin/tvcert1.cer Bin/i386/DIFxCmd.exe Bin/amd64/DIFxCmd.exe \
  plugin/Cardplug.dll ZELKO/ZELKO.inf; do
  [ -s "$installdir/$file" ] || fail "$old_version: no $file under Program Files (x86)\\Orvane\\Pelmora"
done
installed=$(cd "$installdir" 2>/dev/null && find . -type f -printf '%f\n' | LC_ALL=C sort)
expected=$(media_files "$old" | grep -vx -e Tessaly.exe -e tesshook.dll)
[ "$installed" = "$expected" ] ||
  fail "$old_version: $(diff <(echo "$expected") <(echo "$installed") | grep '^[<>]' | tr '\n' ' ')"
for file in Tessaly.exe tesshook.dll; do
  [ -s "$system/$file" ] || fail "$old_version: no $file in syswow64"
  [ -e "$drive/windows/system32/$file" ] && fail "$old_version: $file in the 64-bit system folder"
done
[ -n "$(shortcut)" ] || fail "$old_version: no Start-menu shortcut"
[ "$(entry_version "$old_code")" = "$old_version" ] ||
  fail "$old_version: Programs and Features shows '$(entry_version "$old_code")'"
grep -q "$old_version" "$installdir/README.txt" 2>/dev/null || fail "$old_version: README.txt of another version"

# 2. The newer one replaces it.
msiexec /i "$(winepath -w "$new")" /qn || fail "msiexec /i of $new_version: exit code $?"
[ -z "$(entry_version "$old_code")" ] || fail "$old_version still in Programs and Features after the upgrade"
[ "$(entry_version "$new_code")" = "$new_version" ] ||
  fail "$new_version: Programs and Features shows '$(entry_version "$new_code")'"
grep -q "$new_version" "$installdir/README.txt" 2>/dev/null || fail "$new_version: README.txt not replaced"
[ -s "$system/Tessaly.exe" ] && [ -s "$installdir/Pelmora.exe" ] || fail "$new_version: files missing after the upgrade"

# 3. The installation and the removal, started where the package put Pelmora.
if [ -n "$win64" ]; then
  driver=$win64/tests/e2e/window_driver.exe
  for program in installer/Pelmora.exe monitor/Tessaly.exe tools/tesshook/tesshook.dll \
    tests/e2e/window_driver.exe; do
    [ -s "$win64/$program" ] || fail "no $win64/$program"
  done
  cp "$win64/installer/Pelmora.exe" "$installdir/Pelmora.exe"
  cp "$win64/monitor/Tessaly.exe" "$win64/tools/tesshook/tesshook.dll" "$system/"
  # The folder a 64-bit program is given as Program Files: the x86_64 build
  # is a 64-bit program, the shipped one is not.
  package_inf="$drive/Program Files/Orvane/Driver/ZELKO/ZELKO.inf"
  run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
  # Runs a program from Pelmora's folder; fails when a window or a message
  # box appears meanwhile. Prints the exit code.
  quiet_run() {
    (cd "$installdir" && exec wine64 "$@" </dev/null >/dev/null 2>&1) &
    local pid=$! shown=0 code
    while kill -0 "$pid" 2>/dev/null; do
      [ "$(d count Pelmora)" -gt 0 ] 2>/dev/null && shown=1
      [ "$(d count 'class:#32770')" -gt 0 ] 2>/dev/null && shown=1
      sleep 0.2
    done
    wait "$pid"
    code=$?
    [ "$shown" -eq 0 ] || fail "Pelmora.exe $*: a window or a message box appeared"
    echo "$code"
  }
  # Without the process id the last line ends with.
  last_line() { tail -n 1 "$drive/$1" 2>/dev/null | tr -d '\r' | cut -c21- | sed -E 's/, process [1-9][0-9]*$//'; }
  # The documented commands for a package that laid its files down only,
  # verbatim from docs/deployment.md, in a batch file as a deployment
  # tool's script holds them (handed over as an argument, Wine would escape
  # their quotes for cmd with backslashes).
  doc_block "## The package" 2 >"$drive/pelmora-install.cmd"
  grep -q '^Pelmora.exe /quiet /usb /model 0' "$drive/pelmora-install.cmd" ||
    fail "docs/deployment.md: the files-only commands are not where the test looks"
  code=$(quiet_run cmd /c 'C:\pelmora-install.cmd')
  # 3012 as the shell sees it, cut to 8 bits by Wine.
  [ "$code" -eq $((3012 % 256)) ] || fail "the unattended installation ended with $code"
  [ -s "$package_inf" ] || fail "the installation left no driver package under Program Files"
  grep -qi 'Orvane ZELKO-70 Card Printer' "$drive"/windows/inf/*.inf 2>/dev/null ||
    fail "the driver package is not in the INF folder"
  wine64 reg query "$run_key" /v Tessaly 2>/dev/null | grep -q Tessaly.exe || fail "no Run value after the installation"
  code=$(quiet_run Pelmora.exe /quiet /remove /log 'C:\pelmora-msi-remove.log')
  [ "$code" -eq 0 ] || fail "the unattended removal ended with $code: $(last_line pelmora-msi-remove.log)"
  [ "$(last_line pelmora-msi-remove.log)" = "end exit code 0: earlier installations removed" ] ||
    fail "removal's last log line '$(last_line pelmora-msi-remove.log)'"
  [ -e "$package_inf" ] && fail "the removal left the driver package"
  wine64 reg query "$run_key" /v Tessaly >/dev/null 2>&1 && fail "the removal left the Run value"
  rm -rf "$drive/pelmora-msi-remove.log" "$drive/pelmora-install.cmd"
fi

# 4. Removal.
msiexec /x "$(winepath -w "$new")" /qn || fail "msiexec /x: exit code $?"
[ -z "$(entry_version "$new_code")" ] || fail "still in Programs and Features after removal"
left=$( (cd "$drive/Program Files (x86)/Orvane" 2>/dev/null && find . -mindepth 1) )
[ -z "$left" ] || fail "left under Program Files (x86)\\Orvane: $(echo "$left" | head -n 5 | tr '\n' ' ')"
for file in Tessaly.exe tesshook.dll; do
  [ -e "$system/$file" ] && fail "$file left in syswow64"
done
[ -n "$(shortcut)" ] && fail "the Start-menu shortcut is left"
for m in "${start_menu[@]}"; do
  [ -e "$m/Card Printer Driver Installer" ] && fail "the Start-menu folder is left"
done

# 5. The package does the whole job.
if [ -n "$rebuilt64" ]; then
  marker_key='HKLM\Software\Orvane\Pelmora\Installation'
  run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
  package_inf="$drive/Program Files/Orvane/Driver/ZELKO/ZELKO.inf"
  # What an installation leaves behind, a word for each; nothing when clean.
  leftovers() {
    [ -n "$(ls -A "$drive/Program Files (x86)/Orvane" 2>/dev/null)" ] && echo files
    [ -e "$system/Tessaly.exe" ] && echo monitor
    wine64 reg query "$run_key" /v Tessaly >/dev/null 2>&1 && echo "Run value"
    wine64 reg query "$marker_key" >/dev/null 2>&1 && echo marker
    [ -e "$package_inf" ] && echo "driver folder"
    for code in "$old64_code" "$new64_code" "$rebuilt64_code"; do
      [ -n "$(entry_version "$code")" ] && echo "entry $code"
    done
  }
  monitor_runs() { [ "$(d count Tessaly)" -gt 0 ] 2>/dev/null; }
  old64_code=$(product_code "$old64") new64_code=$(product_code "$new64")
  rebuilt64_code=$(product_code "$rebuilt64")
  [ "$new64_code" != "$rebuilt64_code" ] || fail "the rebuilt package has the same product code"
  [ "$(version_of "$new64")" = "$(version_of "$rebuilt64")" ] || fail "the rebuilt package has another version"

  # An unknown model: the installer refuses it (1639), the package fails
  # and takes back what it laid down.
  wine64 msiexec /i "$(winepath -w "$new64")" CONNECTION=USB MODEL=17 /qn </dev/null >/dev/null 2>&1
  code=$?
  [ "$code" -eq $((1603 % 256)) ] || fail "MODEL=17: msiexec ended with $code, expected 1603"
  left=$(leftovers | tr '\n' ' ')
  [ -z "$left" ] || fail "MODEL=17 left: $left"

  msiexec /i "$(winepath -w "$old64")" /qn || fail "msiexec /i of the older test package: exit code $?"
  wine64 reg query "$marker_key" >/dev/null 2>&1 && fail "a package without CONNECTION wrote a success marker"
  wine64 msiexec /i "$(winepath -w "$new64")" CONNECTION=USB MODEL=0 'LOG=C:\pelmora-package.log' /qn \
    </dev/null >/dev/null 2>&1
  code=$?
  [ "$code" -eq 0 ] || fail "CONNECTION=USB MODEL=0: msiexec ended with $code; $(tail -n 1 "$drive/pelmora-package.log")"
  tail -n 1 "$drive/pelmora-package.log" | grep -q 'end exit code 3012: driver package staged' ||
    fail "the installer's last line: $(tail -n 1 "$drive/pelmora-package.log")"
  [ -s "$package_inf" ] || fail "CONNECTION=USB: no driver package under Program Files"
  wine64 reg query "$marker_key" /v ExitCode 2>/dev/null | grep -q 0xbc4 || fail "no success marker with 3012"
  [ -z "$(entry_version "$old64_code")" ] && [ -n "$(entry_version "$new64_code")" ] ||
    fail "after the upgrade: entries '$(entry_version "$old64_code")' and '$(entry_version "$new64_code")'"
  location=$(wine64 reg query "$uninstall\\$new64_code" /v InstallLocation 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p')
  [ "$location" = 'C:\Program Files (x86)\Orvane\Pelmora\' ] || fail "the entry's InstallLocation is '$location'"

  # Wine's RemoveExistingProducts removes the older product without
  # UPGRADINGPRODUCTCODE, so its removal action runs there, where Windows
  # skips it (msi_test.sh checks the condition): here the rebuild is
  # deployed as an upgrade with its properties and installs again.
  wine64 msiexec /i "$(winepath -w "$rebuilt64")" CONNECTION=USB MODEL=0 /qn </dev/null >/dev/null 2>&1
  code=$?
  [ "$code" -eq 0 ] || fail "msiexec /i of the rebuilt package: exit code $code"
  [ -z "$(entry_version "$new64_code")" ] && [ -n "$(entry_version "$rebuilt64_code")" ] ||
    fail "after the rebuild: entries '$(entry_version "$new64_code")' and '$(entry_version "$rebuilt64_code")'"
  wine64 reg query "$marker_key" >/dev/null 2>&1 || fail "no success marker after the rebuild's installation"

  wine64 msiexec /x "$rebuilt64_code" /qn </dev/null >/dev/null 2>&1
  code=$?
  [ "$code" -eq 0 ] || fail "msiexec /x $rebuilt64_code: exit code $code"
  left=$(leftovers | tr '\n' ' ')
  [ -z "$left" ] || fail "msiexec /x {ProductCode} left: $left"

  # A running monitor: the upgrade asks it to end before it replaces its
  # files and starts the new one at its end (nothing else starts it here:
  # no CONNECTION, no marker); the removal asks it to end and leaves it
  # ended.
  msiexec /i "$(winepath -w "$old64")" /qn || fail "msiexec /i of the older test package: exit code $?"
  (wine64 'C:\windows\syswow64\Tessaly.exe' </dev/null >/dev/null 2>&1 &)
  wait_until 60 monitor_runs || fail "the installed Tessaly.exe did not start"
  msiexec /i "$(winepath -w "$new64")" /qn /l*v 'C:\pelmora-msi-upgrade.log' ||
    fail "the upgrade over a running monitor: exit code $?"
  msi_log=$(tr -d '\r' <"$drive/pelmora-msi-upgrade.log")
  closed=$(grep -n 'PelmoraAction: the monitor was asked to end and ended' <<<"$msi_log" | cut -d: -f1 | head -n 1)
  files=$(grep -n 'InstallFiles' <<<"$msi_log" | cut -d: -f1 | head -n 1)
  [ -n "$closed" ] && [ -n "$files" ] && [ "$closed" -lt "$files" ] ||
    fail "the upgrade's log: the monitor's end at line '${closed}', InstallFiles at line '${files}'"
  wait_until 60 monitor_runs || fail "no monitor after the upgrade"
  msiexec /x "$new64_code" /qn || fail "msiexec /x $new64_code over a running monitor: exit code $?"
  sleep 2
  monitor_runs && fail "a monitor runs after the removal"
  left=$(leftovers | tr '\n' ' ')
  [ -z "$left" ] || fail "the removal over a running monitor left: $left"
  rm -f "$drive/pelmora-msi-upgrade.log"

  # 6. Every msiexec command of docs/deployment.md, as written, with the
  # test's paths: the package where the page has it (the current folder,
  # C:\Windows\Temp, and the share, which is C:\Windows\Temp here), its
  # version and product code, and /reg:64 for /reg:32 (the test's programs
  # are 64-bit and write the 64-bit view). Each installation ends with 0,
  # writes the marker and leaves its log where the page says; each is then
  # removed by the page's removal command, which leaves nothing.
  version64=$(version_of "$new64")
  cp "$new64" "$drive/windows/temp/Pelmora-$version64.msi"
  as_tested() {
    sed -e 's/\\\\server\\share\\/C:\\Windows\\Temp\\/g' -e "s/<version>/$version64/g" \
      -e "s/{ProductCode}/$new64_code/g" -e 's|/reg:32|/reg:64|g'
  }
  removal=$(grep -E '^ +msiexec /x ' "$pelmora_root/docs/deployment.md" | sed 's/^ *//' | sort -u)
  [ "$(echo "$removal" | wc -l)" -eq 1 ] || fail "docs/deployment.md has more than one removal: $removal"
  run_documented() {  # run_documented FILE: a batch file from the Temp folder; prints the code
    (cd "$drive/windows/temp" && exec wine64 cmd /c "C:\\Windows\\Temp\\$1" </dev/null >/dev/null 2>&1)
    echo $?
  }
  n=0
  while IFS= read -r command; do
    n=$((n + 1))
    echo "docs: $command"
    printf '%s\r\n' "$command" | as_tested >"$drive/windows/temp/documented-$n.cmd"
    code=$(run_documented "documented-$n.cmd")
    [ "$code" -eq 0 ] || fail "docs: '$command' ended with $code"
    wine64 reg query "$marker_key" /v ExitCode >/dev/null 2>&1 || fail "docs: '$command' wrote no marker"
    [ -n "$(entry_version "$new64_code")" ] || fail "docs: '$command' registered no product"
    log=$(sed -nE 's/.*LOG=(C:[^ ]+).*/\1/p' <<<"$command")
    if [ -n "$log" ]; then
      log_file="$drive/$(sed -e 's/^C://' -e 's|\\|/|g' <<<"$log")"
      tail -n 1 "$log_file" 2>/dev/null | grep -q ' end exit code 3012: ' ||
        fail "docs: '$command' left no log at $log"
    fi
    printf '%s\r\n' "$removal" | as_tested >"$drive/windows/temp/removal.cmd"
    code=$(run_documented removal.cmd)
    [ "$code" -eq 0 ] || fail "docs: '$removal' ended with $code"
    left=$(leftovers | tr '\n' ' ')
    [ -z "$left" ] || fail "docs: '$removal' after '$command' left: $left"
  done < <(grep -E '^ +msiexec /i ' "$pelmora_root/docs/deployment.md" | grep -v '\\server' | sed 's/^ *//')
  [ "$n" -ge 4 ] || fail "docs: only $n installation commands found"

  # The Group Policy start-up script, whole: the second start finds the
  # marker and installs nothing.
  doc_block "## Group Policy" 1 | as_tested >"$drive/windows/temp/startup.cmd"
  grep -q '^msiexec /i "C:\\Windows\\Temp\\Pelmora-' "$drive/windows/temp/startup.cmd" ||
    fail "docs: the start-up script is not where the test looks"
  code=$(run_documented startup.cmd)
  [ "$code" -eq 0 ] || fail "docs: the start-up script ended with $code"
  first=$(wine64 reg query "$marker_key" /v Time 2>/dev/null | tr -d '\r' | awk '$1 == "Time" { print $3, $4 }')
  [ -n "$first" ] || fail "docs: the start-up script wrote no marker"
  sleep 2
  code=$(run_documented startup.cmd)
  again=$(wine64 reg query "$marker_key" /v Time 2>/dev/null | tr -d '\r' | awk '$1 == "Time" { print $3, $4 }')
  [ "$code" -eq 0 ] && [ "$again" = "$first" ] || fail "docs: the second start installed again ($first, $again)"
  printf '%s\r\n' "$removal" | as_tested >"$drive/windows/temp/removal.cmd"
  code=$(run_documented removal.cmd)
  left=$(leftovers | tr '\n' ' ')
  [ "$code" -eq 0 ] && [ -z "$left" ] || fail "docs: the removal after the start-up script: $code, left $left"
fi

passed_or_failed "msiexec under Wine"
