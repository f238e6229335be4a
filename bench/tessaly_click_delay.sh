#!/bin/bash
# The delay Tessaly's mouse hook adds to every click on the desktop, under
# wine64: with QUEUES print queues (16 of them monitored), the time a click
# takes to reach a window of another program, without the monitor, with it
# in Popup mode (balloon hidden) and with the balloon pinned (Always, the
# spooler polled every 20 ms).
#   bench/tessaly_click_delay.sh [CLICKS] [QUEUES] [OTHER_TESSHOOK_DLL]
# With another build of tesshook.dll (an earlier one, say), the pinned case
# is measured with it too, in the same run.
# Needs the win64 build (click_delay, tessaly_queues, window_driver, Tessaly).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
clicks=${1:-300}
total=${2:-200}
other_hook=${3:-}
build=$root/build/win64
probe=$build/tests/e2e/click_delay.exe
queues=$build/tests/e2e/tessaly_queues.exe
driver=$build/tests/e2e/window_driver.exe
tessaly=$build/monitor/Tessaly.exe
hook=$build/tools/tesshook/tesshook.dll
cd "$root" || exit 1
# shellcheck source=../tests/e2e/lib.sh
source tests/e2e/lib.sh
wine_up || exit 1
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
dir=$(mktemp -d)
finish() {
  d post Tessaly "$WM_CLOSE" 0 0 >/dev/null
  w "$queues" clear "Bench Queue" "$total" >/dev/null
  w reg delete "$settings" /f >/dev/null
  rm -rf "$dir"
  wine_down
}
trap finish EXIT
cp "$tessaly" "$hook" "$dir/"

echo "seeding $total queues, 16 of them monitored"
w "$queues" crowd "Bench Queue" "$total" 16 >/dev/null || { echo "seeding failed"; exit 1; }
measure() {  # measure LABEL
  printf '%s: ' "$1"
  w "$probe" "$clicks"
}
measure "no monitor"
run_monitor() {  # run_monitor MODE_VALUE LABEL
  w reg delete "$settings" /f >/dev/null
  w reg add "$settings" /v "$1" /t REG_DWORD /d 1 /f >/dev/null
  (cd "$dir" && exec wine64 Tessaly.exe </dev/null >/dev/null 2>&1) &
  local launcher=$!
  # Risen; in Popup mode also fallen again (idle for two seconds).
  sleep 6
  measure "$2"
  d post Tessaly "$WM_CLOSE" 0 0 >/dev/null
  wait "$launcher" 2>/dev/null
}
run_monitor B_POPUP "Tessaly, Popup, balloon hidden"
run_monitor B_ALWAYS "Tessaly, Always, pinned"
if [ -n "$other_hook" ]; then
  cp "$other_hook" "$dir/tesshook.dll"
  run_monitor B_ALWAYS "Tessaly, Always, pinned, with $other_hook"
  cp "$hook" "$dir/tesshook.dll"
fi
measure "no monitor, again"
