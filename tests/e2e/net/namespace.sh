# Shared by the scripts that run inside a private network namespace made
# with `unshare -n`. POSIX shell; source it.

# Loopback up with a default route on it, so a broadcast to 255.255.255.255
# loops back; and the first address of the host name (what the programs
# announce as their reply address, read with ZELKONET local-address) on
# loopback, so the answers arrive. Sets host_address; false when the host
# name does not resolve.
pelmora_net_up() {
  ip link set lo up
  ip route add default dev lo
  host_address=$("$1" local-address 2>/dev/null) || host_address=
  if [ -z "$host_address" ]; then
    echo "FAIL: the host name $(hostname) does not resolve to an IPv4 address" >&2
    return 1
  fi
  case "$host_address" in
    127.*) ;;
    *) ip addr add "$host_address/32" dev lo ;;
  esac
}

# Starts the printer simulator SIM with CONFIG on the block 127.66.0 and
# waits until it serves; its log is WORK/sim.log. Sets sim_pid; false (log
# shown) when it did not start.
pelmora_net_start_simulator() {
  "$1" --config "$2" --net 127.66.0 --jobs-dir "$3/jobs" --verbose \
    --ready-file "$3/ready" >"$3/sim.log" 2>&1 &
  sim_pid=$!
  tries=0
  while [ ! -f "$3/ready" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$sim_pid" 2>/dev/null; then
      echo "FAIL: the printer simulator did not start" >&2
      cat "$3/sim.log" >&2
      return 1
    fi
    sleep 0.05
  done
}
