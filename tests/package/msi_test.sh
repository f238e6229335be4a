#!/usr/bin/env bash
# Checks the Windows Installer package against the zip built from the same
# folder, and the Authenticode signatures of both:
#   - a 32-bit, per-machine package of the zip's version with the fixed
#     upgrade code, which removes older versions of the same upgrade code;
#   - every file of the zip in it, byte for byte, the monitor and its hook in
#     the system folder, the rest under Program Files\Orvane\Pelmora;
#   - a Start-menu shortcut to the installer that starts in its folder;
#   - with CERT given: every program in the zip and in the MSI, and the MSI
#     itself, carries a signature that verifies against CERT, and a file
#     changed after signing does not verify.
#
#   msi_test.sh MSI ZIP [CERT.pem]
set -u
msi=$1
zip=$2
cert=${3:-}
name=$(basename "$zip" .zip)
version=${name#Pelmora-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# One column of a table row whose first column is $2 (msiinfo export's tab
# separated rows).
cell() { msiinfo export "$msi" "$1" | tr -d '\r' | awk -F'\t' -v k="$2" -v c="$3" '$1 == k { print $c }'; }

[ -s "$msi" ] || { echo "FAIL: no $msi"; exit 1; }
unzip -q "$zip" -d "$work/zip" || { echo "FAIL: $zip does not unpack"; exit 1; }
top=$work/zip/$name

# What Windows Installer reads to decide how and where to install.
summary=$(msiinfo suminfo "$msi")
grep -q '^Template: Intel;1033$' <<<"$summary" || fail "not a 32-bit package: $(grep Template <<<"$summary")"
[ "$(cell Property ALLUSERS 2)" = 1 ] || fail "not per machine (ALLUSERS $(cell Property ALLUSERS 2))"
[ "$(cell Property ProductVersion 2)" = "$version" ] || fail "ProductVersion $(cell Property ProductVersion 2), not $version"
upgrade_code=$(cell Property UpgradeCode 2)
[ "$upgrade_code" = "{DDCB69CE-4967-415B-840B-EC27E56DAEBC}" ] || fail "upgrade code changed: $upgrade_code"
# The row that finds older versions: no minimum, this version as the
# exclusive maximum, and its products removed.
older=$(msiinfo export "$msi" Upgrade | tr -d '\r' | awk -F'\t' -v u="$upgrade_code" -v v="$version" \
  '$1 == u && $2 == "" && $3 == v && $7 == "WIX_UPGRADE_DETECTED"')
[ -n "$older" ] || fail "no Upgrade row that finds older versions"
msiinfo export "$msi" InstallExecuteSequence | grep -q '^RemoveExistingProducts' ||
  fail "older versions are never removed"

# Files: where each one goes, and that it is the zip's file.
msiextract -C "$work/msi" "$msi" >/dev/null || fail "msiextract failed"
installdir="$work/msi/Program Files/Orvane/Pelmora"
zipped=$(cd "$top" && find . -type f ! -path './Tessaly/*' -printf '%P\n' | LC_ALL=C sort)
packed=$(cd "$installdir" 2>/dev/null && find . -type f -printf '%P\n' | LC_ALL=C sort)
[ "$zipped" = "$packed" ] ||
  fail "Program Files: $(diff <(echo "$zipped") <(echo "$packed") | grep '^[<>]' | tr '\n' ' ')"
while IFS= read -r file; do
  [ -n "$file" ] && { cmp -s "$top/$file" "$installdir/$file" || fail "$file differs from the zip's"; }
done <<<"$zipped"
for file in Tessaly.exe tesshook.dll; do
  cmp -s "$top/Tessaly/$file" "$work/msi/$file" || fail "$file differs from the zip's"
done
for id in TessalyExe TesshookDll; do
  component=$(cell File "$id" 2)
  [ "$(cell Component "$component" 3)" = SystemFolder ] ||
    fail "$id is not installed into the system folder"
done
[ "$(cell Directory INSTALLDIR 2)" = ManufacturerFolder ] && [ "$(cell Directory INSTALLDIR 3)" = Pelmora ] &&
  [ "$(cell Directory ManufacturerFolder 2)" = ProgramFilesFolder ] ||
  fail "the installer's folder is not Program Files\\Orvane\\Pelmora"

# The shortcut starts Pelmora.exe in its own folder, where Pelmora.ini is.
[ "$(cell Shortcut InstallerShortcut 5)" = "[INSTALLDIR]Pelmora.exe" ] ||
  fail "the shortcut's target is $(cell Shortcut InstallerShortcut 5)"
[ "$(cell Shortcut InstallerShortcut 12)" = INSTALLDIR ] ||
  fail "the shortcut starts in '$(cell Shortcut InstallerShortcut 12)'"
[ "$(cell Directory ShortcutFolder 2)" = ProgramMenuFolder ] || fail "the shortcut is not in the Start menu"

# The actions that install and remove the printer: deferred, as
# LocalSystem, after the files and before they go; the removal skipped when
# a newer package removes this one (Wine does not set UPGRADINGPRODUCTCODE,
# so its run cannot show that). The same version built again upgrades.
seq() { cell InstallExecuteSequence "$1" 3; }
for action in RunInstaller RemoveInstallation; do
  [ "$(cell CustomAction "$action" 2)" = 3073 ] || fail "$action is not a deferred DLL action without impersonation"
done
[ "$(seq RemoveInstallation)" -gt "$(seq InstallInitialize)" ] && [ "$(seq RemoveInstallation)" -lt "$(seq RemoveFiles)" ] ||
  fail "RemoveInstallation is not between InstallInitialize and RemoveFiles"
[ "$(seq RunInstaller)" -gt "$(seq WriteRegistryValues)" ] && [ "$(seq RunInstaller)" -lt "$(seq InstallFinalize)" ] ||
  fail "RunInstaller is not after the files and before InstallFinalize"
[ "$(cell InstallExecuteSequence RemoveInstallation 2)" = 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND PELMORAMARKER' ] ||
  fail "RemoveInstallation runs on '$(cell InstallExecuteSequence RemoveInstallation 2)'"
[ "$(cell InstallExecuteSequence RunInstaller 2)" = 'CONNECTION AND NOT REMOVE' ] ||
  fail "RunInstaller runs on '$(cell InstallExecuteSequence RunInstaller 2)'"
# The monitor: asked to end as the person who started the package before
# any file is checked for use, and started again only where that ended it
# (never as LocalSystem: a deployment in session 0 finds none to end).
[ "$(cell CustomAction CloseMonitor 2)" = 65 ] && [ "$(seq CloseMonitor)" -lt "$(seq InstallValidate)" ] ||
  fail "CloseMonitor is not an immediate DLL action before InstallValidate"
[ "$(cell CustomAction StartMonitor 2)" = 210 ] &&
  [ "$(cell InstallExecuteSequence StartMonitor 2)" = 'PELMORAMONITORCLOSED AND NOT REMOVE' ] &&
  [ "$(seq StartMonitor)" -gt "$(seq InstallFinalize)" ] ||
  fail "StartMonitor (type $(cell CustomAction StartMonitor 2)) runs on '$(cell InstallExecuteSequence StartMonitor 2)' at $(seq StartMonitor)"
msiinfo export "$msi" Upgrade | tr -d '\r' | grep -P "^\{[-0-9A-F]+\}\t\t$version\t\t513\t\tWIX_UPGRADE_DETECTED$" >/dev/null ||
  fail "the same version built again does not upgrade"
[ "$(cell Property ARPNOREPAIR 2)" = 1 ] || fail "Programs and Features offers a Repair"
# The marker is looked for where the 32-bit installer writes it.
[ "$(cell RegLocator SuccessMarkerSearch 3)" = 'SOFTWARE\Orvane\Pelmora\Installation' ] &&
  [ "$(cell RegLocator SuccessMarkerSearch 5)" = 2 ] ||
  fail "the success marker is looked for as '$(cell RegLocator SuccessMarkerSearch 3)', type $(cell RegLocator SuccessMarkerSearch 5)"

# Signatures.
programs="Pelmora.exe Tessaly/Tessaly.exe Tessaly/tesshook.dll Bin/i386/DIFxCmd.exe Bin/amd64/DIFxCmd.exe
  plugin/Cardplug.dll"
# The custom actions' library lives in the MSI's Binary table only.
msiinfo extract "$msi" Binary.PelmoraAction >"$work/PelmoraAction.dll" 2>/dev/null ||
  fail "the MSI has no PelmoraAction library"
verify() { osslsigncode verify -CAfile "$cert" -in "$1" >"$work/verify.log" 2>&1 &&
  grep -q '^Signature verification: ok' "$work/verify.log"; }
if [ -n "$cert" ]; then
  for program in $programs; do
    verify "$top/$program" || fail "$program in the zip: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
  done
  for program in $programs; do
    file="$installdir/$program"
    case $program in Tessaly/*) file="$work/msi/${program#Tessaly/}" ;; esac
    verify "$file" || fail "$program in the MSI is not signed"
  done
  verify "$work/PelmoraAction.dll" || fail "PelmoraAction.dll in the MSI is not signed"
  verify "$msi" || fail "the MSI: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
  # The check itself: one byte changed after signing.
  cp "$top/Pelmora.exe" "$work/changed.exe"
  printf '\x01' | dd of="$work/changed.exe" bs=1 seek=1024 conv=notrunc status=none
  verify "$work/changed.exe" && fail "a changed program still verifies"
  cp "$msi" "$work/changed.msi"
  size=$(stat -c %s "$work/changed.msi")
  printf '\x01' | dd of="$work/changed.msi" bs=1 seek=$((size / 2)) conv=notrunc status=none
  verify "$work/changed.msi" && fail "a changed MSI still verifies"
else
  for program in $programs; do
    osslsigncode verify -in "$top/$program" >/dev/null 2>&1 && fail "$program is signed without a certificate"
  done
  osslsigncode verify -in "$work/PelmoraAction.dll" >/dev/null 2>&1 &&
    fail "PelmoraAction.dll is signed without a certificate"
fi

if [ "$failures" -eq 0 ]; then echo "msi: passed"; exit 0; fi
echo "msi: $failures failed"
exit 1
