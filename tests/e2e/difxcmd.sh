#!/usr/bin/env bash
# DIFxCmd.exe under wine64: "/p" puts a package into the driver store, "/u"
# takes it out again, a missing INF and bad arguments end with the Windows
# error code.
#
#   difxcmd.sh WINDOW_DRIVER E2E_SEED DIFXCMD_EXE MEDIA_FOLDER
#
# Wine's SetupCopyOEMInfW keeps the INF's own name in the INF folder where
# Windows gives it an oemN.inf name; the checks look for either.
set -u
tool=$3 media=$4
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
need_wine
c=$WINEPREFIX/drive_c
work=$c/pelmora-e2e-difx
run() { wine64 "$work/DIFxCmd.exe" "$@" </dev/null 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
stored() { grep -l 'DiskName="Orvane ZELKO-70 Card Printer"' "$c/windows/inf/"*.inf 2>/dev/null; }

cleanup() {
  for f in $(stored); do rm -f "$f" "${f%.inf}.pnf"; done
  rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"
cp "$tool" "$work/DIFxCmd.exe"
cp -r "$media/ZELKO" "$work/ZELKO"

out=$(run /p 'C:\pelmora-e2e-difx\ZELKO\ZELKO.inf'); code=$?
[ "$code" -eq 0 ] || fail "/p ended with $code: $out"
[ -n "$(stored)" ] || fail "/p left no INF of the package in the INF folder"

out=$(run /u 'C:\pelmora-e2e-difx\ZELKO\ZELKO.inf'); code=$?
[ "$code" -eq 0 ] || fail "/u ended with $code: $out"
[ -z "$(stored)" ] || fail "/u left $(stored)"

out=$(run /u 'C:\pelmora-e2e-difx\ZELKO\ZELKO.inf'); code=$?
[ "$code" -ne 0 ] || fail "/u of a package not in the store succeeded"

out=$(run /p 'C:\pelmora-e2e-difx\missing.inf'); code=$?
[ "$code" -eq 2 ] || fail "/p of a missing INF ended with $code, expected 2: $out"

out=$(run /x something); code=$?
[ "$code" -eq 87 ] || fail "a bad switch ended with $code, expected 87"
case $out in *"Usage: DIFxCmd"*) ;; *) fail "no usage text: $out" ;; esac
out=$(run /p); code=$?
[ "$code" -eq 87 ] || fail "/p without an INF ended with $code, expected 87"

passed_or_failed difxcmd
