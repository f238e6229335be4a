# shellcheck shell=bash
# The common part of the Tessaly.exe scenarios (tessaly_tray.sh,
# tessaly_desktop.sh). Bash; source it with the scenario's arguments
#   WINDOW_DRIVER E2E_SEED TESSALY_EXE QUEUES_EXE TESSHOOK_DLL ...
# as "$@". It sets driver, seed, tessaly, queues, hook, a folder dir with
# Tessaly.exe and tesshook.dll beside each other (as they are installed),
# settings (the monitor's registry key) and run_key, and defines:
#   q ARGS...                the queue tool, quietly; its exit status
#   start_monitor [SECONDS]  starts Tessaly.exe from dir (pid in pids); with
#                            SECONDS, waits that long for the balloon
#   close_monitor            closes the tray window as WM_CLOSE does
#   monitor_ended            the tray window is gone within 10 seconds
#   tessaly_seed_settings    no monitor left over, the mode Always only
#   tessaly_cleanup          closes and ends every monitor it started,
#                            deletes the queues named in made_queues and
#                            the settings, calls scenario_cleanup when the
#                            scenario defines one; set as the EXIT trap
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
driver=$1
seed=$2
tessaly=$3
queues=$4
hook=$5

q() { wine64 "$queues" "$@" </dev/null >/dev/null 2>&1; }

dir=$(mktemp -d)
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
made_queues=()
pids=()

start_monitor() {  # start_monitor [SECONDS]
  (cd "$dir" && exec wine64 Tessaly.exe </dev/null >/dev/null 2>&1) &
  pids+=($!)
  [ -z "${1:-}" ] || d wait class:TessalyBalloon "$1" >/dev/null
}
close_monitor() { d post Tessaly "$WM_CLOSE" 0 0 >/dev/null; }
no_tray_window() { [ "$(d count Tessaly)" = 0 ]; }
monitor_ended() { wait_until 10 no_tray_window; }

tessaly_seed_settings() {
  # A monitor left over from an interrupted run.
  close_monitor && sleep 1
  w reg delete "$settings" /f >/dev/null
  w reg add "$settings" /v B_ALWAYS /t REG_DWORD /d 1 /f >/dev/null
}

tessaly_cleanup() {
  close_monitor
  local pid queue
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for queue in "${made_queues[@]}"; do q delete "$queue"; done
  [ "$(type -t scenario_cleanup)" = function ] && scenario_cleanup
  w reg delete "$settings" /f >/dev/null
  rm -rf "$dir"
}
trap tessaly_cleanup EXIT
cp "$tessaly" "$hook" "$dir/"
