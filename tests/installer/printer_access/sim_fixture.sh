#!/bin/sh
# Starts or stops the host-built printer simulator around the network tests
# of the Windows build (which run under Wine and cannot start a Linux
# program themselves).
#
#   sim_fixture.sh start|stop SIMULATOR CONFIG NET DIR
set -eu
action=$1 sim=$2 conf=$3 net=$4 dir=$5
case "$action" in
  start)
    if [ ! -x "$sim" ]; then
      echo "sim_fixture.sh: no simulator at $sim (build the host tree first)" >&2
      exit 1
    fi
    mkdir -p "$dir"
    if [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
      kill "$(cat "$dir/pid")" 2>/dev/null || true
      sleep 0.2
    fi
    rm -f "$dir/ready" "$dir/pid"
    "$sim" --config "$conf" --net "$net" --jobs-dir "$dir/jobs" --ready-file "$dir/ready" \
      > "$dir/sim.log" 2>&1 &
    echo $! > "$dir/pid"
    tries=0
    while [ ! -f "$dir/ready" ]; do
      tries=$((tries + 1))
      if [ $tries -gt 100 ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
        echo "sim_fixture.sh: the simulator did not start" >&2
        cat "$dir/sim.log" >&2
        exit 1
      fi
      sleep 0.05
    done
    ;;
  stop)
    if [ -f "$dir/pid" ]; then
      kill "$(cat "$dir/pid")" 2>/dev/null || true
      rm -f "$dir/pid"
    fi
    ;;
  *)
    echo "usage: $0 start|stop SIMULATOR CONFIG NET DIR" >&2
    exit 2
    ;;
esac
