# shellcheck shell=bash
# The shell library of everything that drives the real programs under Wine:
# the scenarios (tests/e2e, tests/e2e/net, tests/package/msi_wine_test.sh),
# the demo (scripts/demo.sh) and the bench scripts (bench/). Bash; source it
# from the script's own folder:
#
#   source "$(dirname "$0")/lib.sh"         (tests/e2e/*.sh)
#
# It gives:
#   pelmora_root                 the checkout
#   wine_up [PREFIX DISPLAY]     the Wine environment of scripts/wine-env.sh
#                                (display, prefix, persistent wineserver) on a
#                                prefix and display of the caller's own, or
#                                on PELMORA_WINEPREFIX and PELMORA_DISPLAY
#                                (wine-env.sh's defaults when unset)
#   wine_down                    ends what wine_up started, nothing else
#   need_wine                    ends the script unless it runs inside that
#                                environment (the win64 tests' ctest does)
#   w PROGRAM ARGS...            wine64 with no input, no error output and no
#                                carriage returns; the program's exit status
#   d ARGS...                    the window driver ($driver) the same way
#   fail TEXT                    "FAIL: TEXT", counted in $failures
#   check TEXT COMMAND...        "ok: TEXT", or "FAILED: TEXT" counted, by the
#                                command's exit status
#   not COMMAND...               true when the command fails (for check)
#   passed_or_failed NAME        "NAME: passed" and exit 0, or
#                                "NAME: N failed" and exit 1
#   screen_shot FILE X Y WIDTH HEIGHT   that part of the screen as FILE
#   window_shot WINDOW FILE      the window (the window driver's rectangle)
#   wait_until SECONDS COMMAND...  runs COMMAND every 0.2 s until it succeeds;
#                                false when SECONDS (whole) passed first
#   wait_file FILE SECONDS       until FILE exists
#   wait_log FILE TEXT SECONDS   until a line of FILE holds TEXT
#   wait_ended PID SECONDS       until the process PID has ended
#   wait_window WINDOW SECONDS   until the window is there; prints its
#                                rectangle (x y width height)
# and every number of resources/pelmora_ids.h and resources/tessaly_ids.h as
# a shell variable of the same name (IDC_NEXT=1016, ID_TRAY_CLOSE=32772, ...),
# beside the window messages the scripts post (WM_CLOSE, WM_COMMAND and the
# tray icon's TRAY_CALLBACK).
#
# The bounds of the waiting helpers count polls, not the clock: on a loaded
# machine each poll takes longer and the wait with it, never shorter.

pelmora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=${failures:-0}

# ---- The Wine environment ---------------------------------------------------
wine_up() {  # wine_up [PREFIX DISPLAY]
  export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
  if [ $# -eq 2 ]; then
    export PELMORA_WINEPREFIX=$1 PELMORA_DISPLAY=$2
  fi
  # shellcheck source=../../scripts/wine-env.sh
  source "$pelmora_root/scripts/wine-env.sh"
  pelmora_wine_start
}
wine_down() { pelmora_wine_stop; }
need_wine() { : "${WINEPREFIX:?run inside the Wine environment of scripts/wine-env.sh}"; }

w() {
  wine64 "$@" </dev/null 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
d() { w "$driver" "$@"; }

# ---- Results ------------------------------------------------------------------
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
check() {  # check TEXT COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
not() { ! "$@"; }
passed_or_failed() {  # passed_or_failed NAME
  if [ "$failures" -eq 0 ]; then
    echo "$1: passed"
    exit 0
  fi
  echo "$1: $failures failed"
  exit 1
}

# ---- Screenshots ----------------------------------------------------------------
screen_shot() {  # screen_shot FILE X Y WIDTH HEIGHT
  mkdir -p "$(dirname "$1")"
  import -display "$DISPLAY" -window root -crop "$4x$5+$2+$3" +repage "$1"
}
window_shot() {  # window_shot WINDOW FILE
  local rect x y width height
  rect=$(d rect "$1") || return 1
  read -r x y width height <<<"$rect"
  screen_shot "$2" "$x" "$y" "$width" "$height"
}

# ---- Waiting ----------------------------------------------------------------------
wait_until() {  # wait_until SECONDS COMMAND...
  local polls_left=$(($1 * 5))
  shift
  until "$@"; do
    polls_left=$((polls_left - 1))
    [ "$polls_left" -gt 0 ] || return 1
    sleep 0.2
  done
}
wait_file() { wait_until "$2" test -e "$1"; }
wait_log() { wait_until "$3" grep -qsF -- "$2" "$1"; }
not_running() { ! kill -0 "$1" 2>/dev/null; }
wait_ended() { wait_until "$2" not_running "$1"; }
wait_window() { d wait "$1" "$2"; }

# ---- Numbers of the programs -----------------------------------------------------
# Every "#define NAME NUMBER" of the headers as NAME=NUMBER; the versions,
# texts and number lists are left out.
pelmora_ids() {  # pelmora_ids HEADER...
  sed -n 's|^#define[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]\{1,\}\([0-9]\{1,\}\)[[:space:]]*\(/[/*].*\)\{0,1\}$|\1=\2|p' "$@"
}
eval "$(pelmora_ids "$pelmora_root/resources/pelmora_ids.h" "$pelmora_root/resources/tessaly_ids.h")"
if [ -z "${IDC_NEXT:-}" ] || [ -z "${ID_TRAY_CLOSE:-}" ]; then
  echo "lib.sh: no control numbers read from $pelmora_root/resources" >&2
  exit 1
fi
# shellcheck disable=SC2034  # for the scripts that source this one
WM_CLOSE=0x10
WM_COMMAND=0x111
# The tray icon's callback message (WM_USER + 1) and the mouse message it
# carries for a right click.
TRAY_CALLBACK=0x401
WM_RBUTTONDOWN=0x204
