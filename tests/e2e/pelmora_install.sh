#!/usr/bin/env bash
# Steps 1 and 2 of the real Pelmora.exe under wine64 with the build's
# installation media in its folder, up to the Step 3 page.
#
#   pelmora_install.sh WINDOW_DRIVER E2E_SEED PELMORA_EXE MEDIA_FOLDER [SCREENSHOT_FOLDER|-] [MODEL]
#
# MODEL is 0 (the default: "Orvane" and "ZELKO") or 7 (the generic "Card
# Printer", whose package Windows keeps as "Generic" and "CardPRN": its
# catalogue names, a blank manufacturer and PRN, are no names Windows can
# hold). After Next on Step 2 the driver package and the plug-in lie under
# "C:\Program Files\<maker>\Driver", the Run value names, quoted, the system folder's
# Tessaly.exe, DIFxCmd /p put the package's INF into the INF folder, and the
# worker's signal brought the wizard to Step 3. Screenshots ("-" for none)
# are taken for model 0 only.
#
# What Wine lacks on the way, and what is therefore not checked here (the
# simulated Windows of the unit tests covers it): forms (AddFormW and
# DeleteFormW store nothing, so the CR80 form cannot be seen), certutil.exe
# (the two elevated certificate imports find no program; their results are
# ignored), and a driver store (SetupCopyOEMInfW keeps the INF's own name,
# ZELKO.inf, instead of an oemN.inf name).
set -u
driver=$1 exe=$3 media=$4 shots=${5:-} model=${6:-0}
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
need_wine
[ "$shots" = - ] && shots=
case $model in
  0) maker=Orvane family=ZELKO disk='Orvane ZELKO-70 Card Printer' ;;
  7) maker=Generic family=CardPRN disk='Card Printer' shots= ;;
  *) echo "pelmora_install: model 0 or 7, not $model" >&2; exit 2 ;;
esac

c=$WINEPREFIX/drive_c
install=$c/pelmora-e2e-install
orvane="$c/Program Files/$maker"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'

stored() { grep -l "DiskName=\"$disk\"" "$c/windows/inf/"*.inf 2>/dev/null; }
shoot() {
  [ -z "$shots" ] || window_shot Pelmora "$shots/$1" || fail "screenshot $1"
}

cleanup() {
  d close Pelmora >/dev/null
  [ -n "${pelmora_pid:-}" ] && { sleep 1; kill "$pelmora_pid" 2>/dev/null; }
  w reg delete "$run_key" /v Tessaly /f >/dev/null
  for f in $(stored); do rm -f "$f" "${f%.inf}.pnf"; done
  rm -rf "$install" "$orvane" "$c/windows/system32/Tessaly.exe"
}
trap cleanup EXIT
cleanup

mkdir -p "$install"
cp "$exe" "$install/Pelmora.exe"
cp -r "$media/." "$install/"
printf 'MODEL: %s\r\n' "$model" > "$install/Pelmora.ini"
# The monitor the installer starts and registers: any program will do.
cp "$driver" "$c/windows/system32/Tessaly.exe"

(cd "$install" && exec wine64 Pelmora.exe </dev/null >/dev/null 2>&1) &
pelmora_pid=$!
wait_window Pelmora 180 >/dev/null || { fail "the wizard did not appear"; exit 1; }
d click Pelmora "$IDC_NEXT" || fail "Next on Step 1 could not be clicked"
header=$(d wait-text Pelmora "$IDC_HEADER" "STEP 2" 240) || { fail "no Step 2: '$header'"; exit 1; }
sleep 1
shoot pelmora-step2-english.png

d click Pelmora "$IDC_NEXT" || fail "Next on Step 2 could not be clicked"
header=$(d wait-text Pelmora "$IDC_HEADER" "STEP 3" 120) ||
  fail "no Step 3: '$header', status '$(d text Pelmora "$IDC_STATUS")'"
sleep 1
shoot pelmora-step3-english.png

[ -f "$orvane/Driver/$family/$family.inf" ] || fail "no $family.inf under Program Files"
[ -f "$orvane/Driver/$family/$family.gpd" ] || fail "no driver file under Program Files"
[ -f "$orvane/Driver/plugin/Cardplug.dll" ] || fail "no Cardplug.dll"
[ -f "$orvane/Driver/plugin/Cardplug.INI" ] || fail "no Cardplug.INI"
value=$(w reg query "$run_key" /v Tessaly | sed -n 's/.*REG_SZ[[:space:]]*//p')
[ "$value" = '"C:\windows\system32\Tessaly.exe"' ] || fail "Run value '$value'"
[ -n "$(stored)" ] || fail "DIFxCmd /p left no INF of the package in the INF folder"
# Step 3 shows both port choices, USB first; Next is enabled, and Cancel too:
# the worker's signal.
state=$(d state Pelmora "$IDC_PORT_USB")
[ "$state" = "1 1 1" ] || fail "USB port choice: $state"
state=$(d state Pelmora "$IDC_CANCEL_BUTTON")
[ "${state%% *}" = 1 ] || fail "Cancel is not enabled: $state"
kill -0 "$pelmora_pid" 2>/dev/null || fail "the installer ended"

passed_or_failed "pelmora_install model $model"
