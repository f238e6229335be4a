#!/bin/sh
# End-to-end test of the network printer search along the installer's real
# path: no address override, the request goes to 255.255.255.255 and the
# reply address is the first address of the host name. It runs inside a
# private network namespace whose only interface is loopback, so the
# broadcast loops back to three simulated printers and nothing leaves the
# machine.
#
#   tests/e2e/net/broadcast.sh HOST_BUILD_DIR
#
# Needs printer_sim and zelkonet built in HOST_BUILD_DIR; builds nothing.
# Exits 0 when the tool finds all three printers and reads one encoder
# report, non-zero otherwise.
set -eu

if [ $# -ne 1 ]; then
  echo "usage: $0 HOST_BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
sim="$build/tools/printer_sim/printer_sim"
cli="$build/tools/zelkonet/zelkonet"
for program in "$sim" "$cli"; do
  if [ ! -x "$program" ]; then
    echo "broadcast.sh: $program is missing; build the host tree first" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The part that runs inside the namespace.
cat > "$work/inside.sh" <<'INSIDE'
set -eu
sim=$1 cli=$2 conf=$3 work=$4 here=$5
. "$here/namespace.sh"
pelmora_net_up "$cli" || exit 1
pelmora_net_start_simulator "$sim" "$conf" "$work" || exit 1
stop_sim() { kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; }
trap stop_sim EXIT

failures=0
check() {  # check FILE PATTERN DESCRIPTION
  if grep -F -q -- "$2" "$1"; then
    echo "ok: $3"
  else
    echo "FAIL: $3 (no line with '$2')" >&2
    failures=$((failures + 1))
  fi
}

"$cli" list > "$work/list.txt" 2>&1 || { echo "FAIL: zelkonet list failed" >&2; cat "$work/list.txt" >&2; exit 1; }
cat "$work/list.txt"
check "$work/list.txt" "Orvane ZELKO-70 Card Printer  [K7M2P4T9 : 127.66.0.11]" "first printer listed"
check "$work/list.txt" "Orvane ZELKO-40 Card Printer  [R4D8N2W6 : 127.66.0.12]" "second printer listed"
check "$work/list.txt" "Orvane MARLO-800 Card Printer  [H3J9Q5V1 : 127.66.0.13]" "third printer listed"
check "$work/list.txt" "3 printer answer(s)." "exactly three answers"

"$cli" query K7M2P4T9 > "$work/query.txt" 2>&1 || { echo "FAIL: zelkonet query failed" >&2; cat "$work/query.txt" >&2; exit 1; }
cat "$work/query.txt"
check "$work/query.txt" "IP address:      127.66.0.11" "queried printer's address"
check "$work/query.txt" "Raw print port:  9100" "queried printer's raw port"
check "$work/query.txt" "Status word:                    0x00000001" "encoder report status word"
check "$work/query.txt" "Contact reader (port 2/3):      Identiv uTrust 2700 R 0" "contact reader"
check "$work/query.txt" "Contactless reader (port 4):    HID OMNIKEY 5022 CL 0" "contactless reader"

stop_sim
trap - EXIT
# Both searches went out as broadcasts announcing the host's own address.
check "$work/sim.log" "discovery request to 255.255.255.255: TVRQ2.0 2 $host_address " "list request broadcast"
broadcasts=$(grep -c "discovery request to 255.255.255.255" "$work/sim.log" || true)
if [ "$broadcasts" -ne 2 ]; then
  echo "FAIL: expected two broadcast requests, the simulator saw $broadcasts" >&2
  failures=$((failures + 1))
fi
if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
INSIDE

status=0
unshare -n sh "$work/inside.sh" "$sim" "$cli" "$here/three_printers.conf" "$work" "$here" || status=$?
if [ $status -eq 0 ]; then
  echo "broadcast.sh: passed"
else
  echo "broadcast.sh: FAILED" >&2
fi
exit $status
