#!/usr/bin/env bash
# The installation over the network with the real Pelmora.exe under wine64,
# inside a private network namespace whose only interface is loopback. The
# printer simulator plays three printers of two families there (two ZELKO,
# one MARLO); the wizard runs Step 1 and Step 2, picks "TCP/IP Network port",
# the selection dialog must list exactly the two ZELKO printers, OK takes the
# first line, Next installs. Wine has no Standard TCP/IP port monitor, so no
# port and no queue can be made: the wizard must show that failure at once
# (never "Click Close"), and the process must end with exit code 1797 (the
# driver or the queue not installed on the port) when Close is clicked.
#
#   pelmora_network.sh WIN64_BUILD_DIR HOST_BUILD_DIR [SCREENSHOT_FOLDER [LANGUAGE [NAME]]]
#
# LANGUAGE is the settings file's language code (0 English unless given);
# the screenshots are named pelmora-<page>-NAME.png (NAME "english" unless
# given). Needs root (or a user namespace) for `unshare -n`, the win64 build
# (Pelmora.exe, the media, window_driver.exe, e2e_seed.exe) and the host
# build's printer_sim and zelkonet.
#
# Wine runs on a prefix and a display of its own ($PELMORA_CACHE/
# wineprefix-net, display :95): its wineserver makes the programs' sockets,
# so it has to live inside the namespace too, and a server of the shared
# prefix outside would serve them from the machine's own network.
#
# What Wine does on the way, and what the scenario therefore checks:
# - The Standard TCP/IP port monitor is missing: opening ",XcvMonitor
#   Standard TCP/IP Port" fails with error 1796 (ERROR_UNKNOWN_PORT), so no
#   "IP_<address>" port is made. The installer still installs the driver,
#   tries the queue, and then shows the first failure in its status line:
#   "OpenPrinter() failed with error 00000704: ...".
# - printui.dll's PrintUIEntry installs no driver from the INF (Wine has no
#   class installer for printers) but rundll32 ends normally; AddPrinterW
#   then makes no queue (no port, and no driver of the model's name).
# - SetupGetInfFileListW with no folder lists nothing, so the INF lookup
#   names the system Windows folder's INF folder and finds the pre-installed
#   INF there: no "Fail to install driver !!!" box.
# - Forms, certutil and a driver store are missing as in the Step 2
#   scenario (tests/e2e/pelmora_install.sh).
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 WIN64_BUILD_DIR HOST_BUILD_DIR [SCREENSHOT_FOLDER [LANGUAGE [NAME]]]" >&2
  exit 2
fi
shots=${3:-}
language=${4:-0}
name=${5:-english}
here=$(cd "$(dirname "$0")" && pwd)
if [ -n "$shots" ]; then mkdir -p "$shots" && shots=$(cd "$shots" && pwd); fi

# shellcheck source=wine_scenario.sh
source "$here/wine_scenario.sh"
pelmora_net_files pelmora_network.sh "$1" "$2" || exit 1

if [ -z "${PELMORA_NET_INSIDE:-}" ]; then
  PELMORA_NET_INSIDE=1 exec unshare -n bash "$0" "$win64" "$host" "$shots" "$language" "$name"
fi

# ---- inside the namespace ---------------------------------------------------
pelmora_net_wine_start || exit 1
install=$c/pelmora-e2e-network
tidy() {
  d close "Select a TCP/IP" >/dev/null
  d close Pelmora >/dev/null
  pelmora_net_tidy
}
finish() {
  tidy
  [ -n "${pelmora_pid:-}" ] && { sleep 1; kill "$pelmora_pid" 2>/dev/null; }
  pelmora_net_stop
}
trap finish EXIT
tidy

shoot() {  # shoot WINDOW FILE
  [ -z "$shots" ] || window_shot "$1" "$shots/$2" || fail "screenshot $2"
}

pelmora_net_copy "LANGUAGE: $language"$'\r\nMODEL: 0\r\n'

# Started from a batch file, whose command interpreter waits for it and
# keeps its whole exit code: the exit status wine64 hands to Linux holds
# only the low eight bits (1797 would read 5).
printf '@echo off\r\nPelmora.exe\r\necho %%ERRORLEVEL%%> exit-code.txt\r\n' >"$install/run.bat"
(cd "$install" && exec wine64 cmd /c run.bat </dev/null >"$work/pelmora.out" 2>&1) &
pelmora_pid=$!
wait_window Pelmora 180 >/dev/null || { fail "the wizard did not appear"; exit 1; }
d click Pelmora "$IDC_NEXT" || fail "Next on Step 1 could not be clicked"
header=$(d wait-text Pelmora "$IDC_HEADER" "2" 240) || {
  fail "no Step 2: '$header', status '$(d text Pelmora "$IDC_STATUS")'"
  exit 1
}
d click Pelmora "$IDC_NEXT" || fail "Next on Step 2 could not be clicked"
header=$(d wait-text Pelmora "$IDC_HEADER" "3" 120) || {
  fail "no Step 3: '$header', status '$(d text Pelmora "$IDC_STATUS")'"
  exit 1
}
sleep 1

# The TCP/IP choice opens the selection dialog, which searches 50 ms later.
d click Pelmora "$IDC_PORT_TCPIP" || fail "the TCP/IP choice could not be clicked"
wait_window "Select a TCP/IP" 30 >/dev/null || { fail "no selection dialog"; exit 1; }
listed() { lines=$(d items "Select a TCP/IP" "$IDC_PRINTER_COMBO") && [ -n "$lines" ]; }
wait_until 10 listed
expected="Orvane ZELKO-40 Card Printer  [R4D8N2W6 : 127.66.0.12]
Orvane ZELKO-70 Card Printer  [K7M2P4T9 : 127.66.0.11]"
[ "$lines" = "$expected" ] || fail "the selection lists '$lines', not the two ZELKO printers"
chosen=$(d text "Select a TCP/IP" "$IDC_PRINTER_COMBO")
[ "$chosen" = "Orvane ZELKO-40 Card Printer  [R4D8N2W6 : 127.66.0.12]" ] ||
  fail "the first line is not selected: '$chosen'"
sleep 0.5
shoot "Select a TCP/IP" "pelmora-select-printer-$name.png"
d click "Select a TCP/IP" 1 || fail "OK could not be clicked"
d gone "Select a TCP/IP" 30 || fail "the selection dialog stayed open"
state=$(d state Pelmora "$IDC_PORT_TCPIP")
[ "$state" = "1 1 1" ] || fail "TCP/IP is not the chosen port after OK: $state"
shoot Pelmora "pelmora-step3-network-$name.png"

# Next installs; Wine's missing port monitor makes it fail, and the wizard
# says so at once instead of offering "Click Close" 15 seconds later.
d click Pelmora "$IDC_NEXT" || fail "Next on Step 3 could not be clicked"
status=$(d wait-text Pelmora "$IDC_STATUS" "OpenPrinter() failed with error 00000704" 60) ||
  fail "no port monitor failure in the status line: '$status'"
echo "status line: $status"
sleep 16  # longer than the finishing timer of a successful installation
status=$(d text Pelmora "$IDC_STATUS")
case $status in
  "OpenPrinter() failed with error 00000704: "*) ;;
  *) fail "the failure did not stay in the status line: '$status'" ;;
esac
[ "$(d count "ERROR")" = 0 ] || fail "an error box is open (the INF lookup failed?)"
state=$(d state Pelmora "$IDC_NEXT")
[ "${state%% *}" = 1 ] || fail "Close is not enabled: $state"
state=$(d state Pelmora "$IDC_CANCEL_BUTTON")
[ "${state%% *}" = 0 ] || fail "Cancel is still enabled: $state"
read -r _ visible _ <<<"$(d state Pelmora "$IDC_STATUS")"
[ "$visible" = 1 ] || fail "the status line is hidden"
shoot Pelmora "pelmora-finished-network-$name.png"

# The printer was asked again at its address, and its encoder report read
# over the administration channel.
grep -q "discovery request to 255.255.255.255" "$work/sim.log" || fail "no broadcast search"
grep -q "discovery request to 127.66.0.12" "$work/sim.log" ||
  fail "the chosen printer was not asked again at its address"
grep -q "zelko40: admin request" "$work/sim.log" || fail "no administration channel request to the chosen printer"
# No port, so no queue either.
w "$seed" has-queue "Orvane ZELKO-40 Card Printer" && fail "a queue was made without a port"

d click Pelmora "$IDC_NEXT" || fail "Close could not be clicked"
d gone Pelmora 30 || fail "the wizard did not end on Close"
# A failed network installation ends the process with
# ERROR_UNKNOWN_PRINTER_DRIVER.
wait "$pelmora_pid"
pelmora_pid=
code=$(tr -d ' \r\n' <"$install/exit-code.txt" 2>/dev/null)
[ "$code" = 1797 ] || fail "Pelmora.exe ended with exit code '$code', not 1797"
echo "Pelmora.exe ended with exit code $code"
log_file=$(find "$c/users" -name Pelmora.log 2>/dev/null | head -n 1)
if [ -z "$log_file" ]; then
  fail "no installation log"
else
  grep -q "step3 InstallNetworkPrinter: failed: OpenPrinter() failed with error 00000704" "$log_file" ||
    fail "the log does not name the failure: $(tail -n 5 "$log_file")"
  grep -q "end Pelmora: closed after the printer's installation failed, exit code 1797" "$log_file" ||
    fail "the log's end line: $(tail -n 1 "$log_file")"
fi
if [ "$failures" -ne 0 ]; then
  echo "--- simulator log"; cat "$work/sim.log"
fi
passed_or_failed pelmora_network
