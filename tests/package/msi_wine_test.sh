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
#   4. msiexec /x NEW /qn: everything the package laid down is gone.
#
#   msi_wine_test.sh OLD.msi NEW.msi [WIN64_BUILD]
set -u
old=$(realpath "$1")
new=$(realpath "$2")
win64=${3:+$(realpath "$3")}
# shellcheck source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
prefix=${PELMORA_CACHE:-/var/cache/pelmora}/wineprefix-msi
# A fresh prefix: what an earlier run installed must not hide a fault.
rm -rf "$prefix"
wine_up "$prefix" "${PELMORA_MSI_DISPLAY:-:97}" || { echo "FAIL: no Wine environment"; exit 1; }
trap wine_down EXIT

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
  # The documented Intune command after its msiexec, verbatim: its log
  # folder does not exist yet on a fresh desk.
  install_log=ProgramData/Orvane/Pelmora-install.log
  # In a batch file, as a deployment tool's script holds it: handed over as
  # an argument, Wine would escape its quotes for cmd with backslashes.
  printf '%s\r\n' '@cd /d "%ProgramFiles(x86)%\Orvane\Pelmora" && Pelmora.exe /quiet /usb /model 0 /log "%ProgramData%\Orvane\Pelmora-install.log"' \
    >"$drive/pelmora-install.cmd"
  code=$(quiet_run cmd /c 'C:\pelmora-install.cmd')
  # 3012 as the shell sees it, cut to 8 bits by Wine.
  [ "$code" -eq $((3012 % 256)) ] || fail "the unattended installation ended with $code: $(last_line $install_log)"
  [ "$(last_line $install_log)" = "end exit code 3012: driver package staged: Plug and Play installs the printer when it is plugged in" ] ||
    fail "installation's last log line '$(last_line $install_log)'"
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
  rm -rf "$drive/ProgramData/Orvane" "$drive/pelmora-msi-remove.log" "$drive/pelmora-install.cmd"
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

passed_or_failed "msiexec under Wine"
