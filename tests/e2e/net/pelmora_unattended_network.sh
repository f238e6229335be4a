#!/usr/bin/env bash
# The unattended network installation of the real Pelmora.exe under wine64,
# inside a private network namespace whose only interface is loopback, with
# the printer simulator's three printers (tests/e2e/net/three_printers.conf).
# `Pelmora.exe /quiet /network K7M2P4T9` runs Step 1, Step 2 and Step 3 with
# nothing shown: no wizard, no selection dialog, no message box. The search
# lists the two ZELKO printers, the one with that id (the second line, not
# the one the dialog selects first) is chosen and asked again at its
# address, and the port is made through the Standard TCP/IP port monitor.
# Before that, `/network H3J9Q5V1` names the MARLO-800, a printer of
# another family than model 0's: the run ends with 1168 before Step 1, and
# what an earlier installation left (its Run value) is still there.
#
#   pelmora_unattended_network.sh WIN64_BUILD_DIR HOST_BUILD_DIR
#
# Needs root (or a user namespace) for `unshare -n`, the win64 build
# (Pelmora.exe, the media, window_driver.exe, e2e_seed.exe) and the host
# build's printer_sim and zelkonet. Runs on the Wine prefix and display of
# pelmora_network.sh ($PELMORA_CACHE/wineprefix-net, :95, or
# PELMORA_NET_WINEPREFIX and PELMORA_NET_DISPLAY), after it, never beside it:
# the wineserver has to live inside the namespace.
#
# What Wine does: it has no Standard TCP/IP port monitor, so opening
# ",XcvMonitor Standard TCP/IP Port" fails with 1796 and no port is made.
# The run therefore ends with exit code 1796 ("TCP/IP port not created");
# wine64 hands Linux only its low 8 bits (4), the log's last line the whole
# code. Wine puts the program in session 1, so Tessaly is started as in an
# interactive logon.
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 WIN64_BUILD_DIR HOST_BUILD_DIR" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=wine_scenario.sh
source "$here/wine_scenario.sh"
pelmora_net_files pelmora_unattended_network.sh "$1" "$2" || exit 1

if [ -z "${PELMORA_NET_INSIDE:-}" ]; then
  PELMORA_NET_INSIDE=1 exec unshare -n bash "$0" "$win64" "$host"
fi

# ---- inside the namespace ---------------------------------------------------
pelmora_net_wine_start || exit 1
install=$c/pelmora-e2e-unattended-network
tidy() {
  pelmora_net_tidy
}
finish() {
  [ -n "${pelmora_pid:-}" ] && kill "$pelmora_pid" 2>/dev/null
  tidy
  pelmora_net_stop
}
trap finish EXIT
tidy

pelmora_net_copy $'MODEL: 0\r\n'
marker_key='HKLM\SOFTWARE\Orvane\Pelmora\Installation'

# Another family's printer, by its id: found by nobody, nothing removed.
w reg add "$run_key" /v Tessaly /d earlier /f >/dev/null
other_log=$install/other.log
(cd "$install" && exec timeout 300 wine64 Pelmora.exe /quiet /network H3J9Q5V1 \
  /log 'C:\pelmora-e2e-unattended-network\other.log' </dev/null >/dev/null 2>&1)
code=$?
[ "$code" -eq $((1168 % 256)) ] || fail "another family's printer: exit code $code, expected 1168 (144)"
other_last=$(tail -n 1 "$other_log" 2>/dev/null | tr -d '\r' | cut -d' ' -f3- | sed -E 's/, process [1-9][0-9]*$//')
[ "$other_last" = 'end exit code 1168: the network printer "H3J9Q5V1" was not found' ] ||
  fail "another family's printer: last log line '$other_last'"
grep -q ' step1 ' "$other_log" && fail "another family's printer: Step 1 ran"
w reg query "$run_key" /v Tessaly 2>/dev/null | grep -q earlier ||
  fail "another family's printer: the earlier Run value is gone"
w reg query "$marker_key" >/dev/null 2>&1 && fail "another family's printer: a success marker"

log=$install/network.log
started=$(date +%s)
(cd "$install" && exec timeout 600 wine64 Pelmora.exe /quiet /network K7M2P4T9 \
  /log 'C:\pelmora-e2e-unattended-network\network.log' </dev/null >"$work/pelmora.out" 2>&1) &
pelmora_pid=$!
# Nothing may appear while it runs: neither the wizard nor the selection
# dialog nor a message box (a dialog of class #32770, hidden ones counted).
shown=
while kill -0 "$pelmora_pid" 2>/dev/null; do
  for window in Pelmora "Select a TCP/IP" 'class:#32770'; do
    [ "$(d count "$window")" = 0 ] || shown="$shown $window"
  done
  sleep 0.2
done
wait "$pelmora_pid"
code=$?
pelmora_pid=
echo "Pelmora.exe /quiet /network ended after $(($(date +%s) - started)) s with exit code $code"
[ -z "$shown" ] || fail "windows appeared while it ran:$shown"
[ "$code" -eq $((1796 % 256)) ] || fail "exit code $code, expected 1796 (4)"

# The start and end lines end with the process id, which differs run by run.
grep -qE ' end exit code [0-9]+: .*, process [1-9][0-9]*.?$' "$log" || fail "the last line names no process"
lines=$(tr -d '\r' <"$log" 2>/dev/null | cut -d' ' -f3- | sed -E 's/, process [1-9][0-9]*$//')
logged() { grep -qxF "$1" <<<"$lines" || fail "no log line '$1'"; }
logged 'start unattended "/quiet /network K7M2P4T9 /log C:\pelmora-e2e-unattended-network\network.log": network "K7M2P4T9", session 1'
logged 'step1 RunCleanupStep: ok'
# Before Step 1, the search listed both ZELKO printers and the one with the
# id was chosen.
logged 'start select-printer "Orvane ZELKO-70 Card Printer  [K7M2P4T9 : 127.66.0.11]": 2 listed'
# Wine's port monitor cannot be opened: 1796 (0x704).
grep -q '^step3 AddTcpIpPort "IP_127.66.0.11": error 00000704' <<<"$lines" ||
  fail "no failed AddTcpIpPort for IP_127.66.0.11 in the log"
grep -q '^step3 InstallNetworkPrinter: failed: OpenPrinter() failed with error 00000704: ' <<<"$lines" ||
  fail "the log does not name the failed OpenPrinter call"
last=$(tail -n 1 <<<"$lines")
[ "$last" = "end exit code 1796: the TCP/IP port was not created" ] || fail "last log line '$last'"
grep -q 'message-box' <<<"$lines" && echo "message boxes answered unseen: $(grep -c 'message-box' <<<"$lines")"

# The broadcast search, the chosen printer asked again at its address and
# its encoder report read over the administration channel.
grep -q "discovery request to 255.255.255.255" "$work/sim.log" || fail "no broadcast search"
grep -q "discovery request to 127.66.0.11" "$work/sim.log" ||
  fail "the chosen printer was not asked again at its address"
grep -q "zelko70: admin request" "$work/sim.log" || fail "no administration channel request to the chosen printer"
# What Wine made of the driver: printui installs none, so AddPrinterW finds
# no driver of the model's name (1797); either way the port decides the code.
sed -n 's/^step3 add-printer "Orvane ZELKO-70 Card Printer": /Wine: add-printer /p' <<<"$lines"
# The Run value is written whatever became of the port; a failed run
# leaves no success marker.
w reg query "$run_key" /v Tessaly 2>/dev/null | grep -q 'Tessaly.exe' || fail "no Run value for Tessaly"
w reg query "$marker_key" >/dev/null 2>&1 && fail "a failed run left a success marker"

if [ "$failures" -ne 0 ]; then
  echo "--- log"; cat "$log" 2>/dev/null
  echo "--- simulator log"; cat "$work/sim.log"
fi
passed_or_failed pelmora_unattended_network
