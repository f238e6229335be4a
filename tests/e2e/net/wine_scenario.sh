# What the Pelmora.exe scenarios under Wine inside the private network
# namespace share (pelmora_network.sh, pelmora_unattended_network.sh). Bash;
# source it with `here` set (the scenario's folder). Outside the namespace
# pelmora_net_files finds the programs; inside it pelmora_net_wine_start
# brings up the namespace's loopback, starts the printer simulator with
# three printers of two families (its log in $work/sim.log) and the Wine
# environment on a prefix and display of the network scenarios, and sets c,
# run_key, zelko_drivers. The rest comes from ../lib.sh.

# shellcheck source=../lib.sh
source "$here/../lib.sh"
# The driver packages of the ZELKO family that Windows' INF folder holds.
stored() { grep -l 'DiskName="Orvane ZELKO-70 Card Printer"' "$c/windows/inf/"*.inf 2>/dev/null; }

# pelmora_net_files SCENARIO WIN64_BUILD_DIR HOST_BUILD_DIR: sets win64,
# host, sim, exe, driver, seed and media; fails naming the first program
# that is missing.
pelmora_net_files() {
  win64=$(cd "$2" && pwd) && host=$(cd "$3" && pwd) || return 1
  sim=$host/tools/printer_sim/printer_sim
  exe=$win64/installer/Pelmora.exe
  driver=$win64/tests/e2e/window_driver.exe
  seed=$win64/tests/e2e/e2e_seed.exe
  media=$win64/media
  local file
  for file in "$sim" "$host/tools/zelkonet/zelkonet" "$exe" "$driver" "$seed" "$media/ZELKO/ZELKO.inf"; do
    if [ ! -e "$file" ]; then
      echo "$1: $file is missing; build the win64 and host trees first" >&2
      return 1
    fi
  done
}

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

# Removes what an installation leaves on the prefix: the ZELKO queues and
# drivers, the Run value, the stored INFs, the installation folder $install
# and the installed programs.
pelmora_net_tidy() {
  local queue model f
  for queue in "${zelko_drivers[@]}"; do w "$seed" remove-queue "$queue" >/dev/null; done
  for model in "${zelko_drivers[@]}"; do w "$seed" remove-driver "$model" >/dev/null; done
  w reg delete "$run_key" /v Tessaly /f >/dev/null
  for f in $(stored); do rm -f "$f" "${f%.inf}.pnf"; done
  rm -rf "$install" "$c/Program Files/Orvane" "$c/windows/system32/Tessaly.exe"
}

# Ends the scenario's Wine environment and printer simulator.
pelmora_net_stop() {
  wine_down
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}

# pelmora_net_copy SETTINGS: Pelmora.exe and the media into $install, with
# SETTINGS as its Pelmora.ini, and a stand-in for the monitor the installer
# starts and registers (any program will do).
pelmora_net_copy() {
  mkdir -p "$install"
  cp "$exe" "$install/Pelmora.exe"
  cp -r "$media/." "$install/"
  printf '%s' "$1" >"$install/Pelmora.ini"
  cp "$driver" "$c/windows/system32/Tessaly.exe"
}
