#!/bin/bash
# The status poll under wine64 against Wine's spooler, with 16 monitored
# queues among 200 (QUEUES), beside a bare loop of the same spooler calls;
# then Tessaly.exe's processor time over one minute with the same queues,
# with the balloon hidden in Popup mode and with it pinned.
#   bench/tessaly_wine_bench.sh [ROUNDS] [SECONDS] [QUEUES]
# Needs the win64 build (tessaly_wine_bench, tessaly_queues, Tessaly).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-200}
seconds=${2:-60}
total=${3:-200}
build=$root/build/win64
bench=$build/tests/e2e/tessaly_wine_bench.exe
queues=$build/tests/e2e/tessaly_queues.exe
driver=$build/tests/e2e/window_driver.exe
tessaly=$build/monitor/Tessaly.exe
hook=$build/tools/tesshook/tesshook.dll
cd "$root" || exit 1
# shellcheck source=../tests/e2e/lib.sh
source tests/e2e/lib.sh
wine_up || exit 1
trap 'w "$queues" clear "Bench Queue" "$total" >/dev/null; rm -rf "${dir:-}"; wine_down' EXIT

echo "seeding $total queues, 16 of them monitored"
w "$queues" crowd "Bench Queue" "$total" 16 >/dev/null || { echo "seeding failed"; exit 1; }
w "$bench" "$rounds"
[ "$seconds" -gt 0 ] || exit 0

# Processor time of one process (user + system, in clock ticks) from /proc.
ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# This prefix's persistent server answers the registry calls behind the
# spooler's; its time counts as well.
# The server of a prefix works in a folder named after the prefix's device
# and inode.
server_pid() {
  local want p
  want=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
    case $(readlink "/proc/$p/cwd") in *"/$want") echo "$p"; return ;; esac
  done
  echo 0
}
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
dir=$(mktemp -d)
cp "$tessaly" "$hook" "$dir/"
# The Windows process of this prefix named Tessaly.exe (the launcher that
# started it need not be the process itself).
tessaly_pid() {
  local p
  for p in $(pgrep -x Tessaly.exe); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"
      return
    fi
  done
  echo 0
}
measure() {  # measure LABEL
  (cd "$dir" && exec wine64 Tessaly.exe </dev/null >/dev/null 2>&1) &
  local launcher=$! pid hz
  hz=$(getconf CLK_TCK)
  # Risen, idle for two seconds, fallen.
  sleep 5
  if [ "$1" = pinned ]; then
    d post Tessaly "$WM_COMMAND" "$ID_DISPLAY_ALWAYS" 0 >/dev/null
    sleep 1
  fi
  local before after server server_before server_after
  pid=$(tessaly_pid)
  [ "$pid" != 0 ] || { echo "Tessaly.exe is not running"; return 1; }
  server=$(server_pid)
  before=$(ticks_of "$pid")
  server_before=$(ticks_of "$server")
  sleep "$seconds"
  after=$(ticks_of "$pid")
  server_after=$(ticks_of "$server")
  d post Tessaly "$WM_CLOSE" 0 0 >/dev/null
  wait "$launcher" 2>/dev/null
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v l="$1" \
    -v w=$((server_after - server_before)) \
    'BEGIN { printf "Tessaly.exe, %s: %.2f s of processor time in %d s (%.1f%%); wineserver %.2f s (%.1f%%)\n", l, t / hz, s, 100 * t / hz / s, w / hz, 100 * w / hz / s }'
}
w reg add "$settings" /v B_POPUP /t REG_DWORD /d 1 /f >/dev/null
measure "Popup, balloon hidden"
w reg add "$settings" /v B_POPUP /t REG_DWORD /d 1 /f >/dev/null
w reg add "$settings" /v B_ALWAYS /t REG_DWORD /d 0 /f >/dev/null
measure pinned
w reg delete "$settings" /f >/dev/null
