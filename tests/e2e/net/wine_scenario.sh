# The common start of a Pelmora.exe scenario under Wine inside the private
# network namespace (pelmora_network.sh, pelmora_unattended_network.sh).
# Bash; source it with `here`, `sim` and `host` set, then call
# pelmora_net_wine_start. It brings up the namespace's loopback, starts the
# printer simulator with three printers of two families (its log in
# $work/sim.log) and the Wine environment on a prefix and display of the
# network scenarios, and sets c, run_key, zelko_drivers. The rest comes from
# ../lib.sh.

# shellcheck source=../lib.sh
source "$here/../lib.sh"
# The driver packages of the ZELKO family that Windows' INF folder holds.
stored() { grep -l 'DiskName="Orvane ZELKO-70 Card Printer"' "$c/windows/inf/"*.inf 2>/dev/null; }

pelmora_net_wine_start() {
  work=$(mktemp -d)
  local cache=${PELMORA_CACHE:-/var/cache/pelmora}
  # shellcheck source=namespace.sh
  . "$here/namespace.sh"
  pelmora_net_up "$host/tools/zelkonet/zelkonet" || return 1
  pelmora_net_start_simulator "$sim" "$here/three_printers.conf" "$work" || return 1
  wine_up "${PELMORA_NET_WINEPREFIX:-$cache/wineprefix-net}" "${PELMORA_NET_DISPLAY:-:95}" >/dev/null ||
    { echo "FAIL: the Wine environment did not start"; return 1; }
  c=$WINEPREFIX/drive_c
  run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
  zelko_drivers=("Orvane ZELKO-70 Card Printer" "Orvane ZELKO-40 Card Printer"
                 "Orlent ZELKO Card Printer" "VANTO-70 Card Printer")
}
