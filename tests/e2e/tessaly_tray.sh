#!/bin/bash
# Tessaly.exe under Wine: the balloon rises at the bottom-right corner of the
# work area with one panel per monitored queue, a queue of a foreign driver is
# left out, a status change is drawn, the tray menu shows the stored mode, a
# second copy ends at once, a driver error text comes up in its message box,
# the mode values land in the registry, and Uninstall removes the Run value.
#   tessaly_tray.sh WINDOW_DRIVER E2E_SEED TESSALY_EXE QUEUES_EXE TESSHOOK_DLL [SCREENSHOT_FOLDER]
# With a screenshot folder it keeps the balloon and the open menu there.
set -u
driver=$1
seed=$2
tessaly=$3
queues=$4
hook=$5
shots=${6:-}

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
w() { wine64 "$@" </dev/null 2>/dev/null | tr -d '\r'; }
d() { w "$driver" "$@"; }
q() { wine64 "$queues" "$@" </dev/null >/dev/null 2>&1; }

dir=$(mktemp -d)
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
A="Tessaly E2E Front"
B="Tessaly E2E Back"
C="Tessaly E2E Office"
pids=()
cleanup() {
  d post Tessaly 0x10 0 0 >/dev/null
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for queue in "$A" "$B" "$C"; do q delete "$queue"; done
  # The drivers go too: a maker's driver left in the prefix would be the
  # next installer scenario's leftover.
  for name in "Orvane ZELKO-70 Card Printer" "Orvane ZELKO-40 Card Printer" "Generic Office Printer"; do
    wine64 "$seed" remove-driver "$name" </dev/null >/dev/null 2>&1
  done
  wine64 reg delete "$settings" /f </dev/null >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT

# Tessaly.exe finds tesshook.dll beside itself, as it is installed.
cp "$tessaly" "$hook" "$dir/"
# A monitor left over from an interrupted run.
d post Tessaly 0x10 0 0 >/dev/null && sleep 1

wine64 reg delete "$settings" /f </dev/null >/dev/null 2>&1
wine64 reg add "$settings" /v B_ALWAYS /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
wine64 reg add "$run_key" /v Tessaly /d 'C:\Tessaly.exe' /f </dev/null >/dev/null 2>&1
check "queues seeded" q add "$A" "Orvane ZELKO-70 Card Printer"
q add "$C" "Generic Office Printer" || true
check "queue of the second model seeded" q add "$B" "Orvane ZELKO-40 Card Printer" 3XY00042
q status "$A" 0x1000 0            # printing
q status "$B" 0 0x100000          # ribbon not found

start_monitor() {
  (cd "$dir" && exec wine64 Tessaly.exe </dev/null >/dev/null 2>&1) &
  pids+=($!)
}
start_monitor
first=${pids[0]}
rect=$(d wait class:TessalyBalloon 30) || rect=""
# The rise takes 37 steps of 20 ms; wait until it has its full height. Wine's
# desktop shrinks the work area when its task bar comes up for the tray
# icon, and the balloon follows at its next refresh: wait for that too.
for _ in $(seq 1 30); do
  rect=$(d rect class:TessalyBalloon)
  read -r x y width height <<<"$rect"
  read -r area_left area_top area_right area_bottom <<<"$(d workarea)"
  [ "${height:-0}" -ge 180 ] && [ "$((y + height))" = "$area_bottom" ] && break
  sleep 0.2
done
echo "balloon: $rect, work area: $area_left $area_top $area_right $area_bottom"
read -r x y width height <<<"$rect"
check "balloon 246 wide" [ "${width:-0}" = 246 ]
check "two monitored queues of three: 180 high" [ "${height:-0}" = 180 ]
check "at the right edge of the work area" [ "$((x + width))" = "$area_right" ]
check "at the bottom of the work area" [ "$((y + height))" = "$area_bottom" ]

shot() {  # shot FILE X Y WIDTH HEIGHT
  import -display "$DISPLAY" -window root -crop "$4x$5+$2+$3" +repage "$1"
}
shot "$dir/before.png" "$x" "$y" "$width" "$height"
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$dir/before.png" "$shots/tessaly-balloon.png"
fi

# The second panel's printer: the ribbon is back, now it is printing.
q status "$B" 0x1000 0
sleep 1.5
shot "$dir/after.png" "$x" "$y" "$width" "$height"
changed=$(compare -metric AE "$dir/before.png" "$dir/after.png" null: 2>&1 || true)
echo "pixels changed by the status change: $changed"
check "a status change is drawn" [ "${changed%% *}" != 0 ]
first_panel=$(compare -metric AE -extract 246x90+0+0 "$dir/before.png" "$dir/after.png" null: 2>&1 || true)
second_panel=$(compare -metric AE -extract 246x90+0+90 "$dir/before.png" "$dir/after.png" null: 2>&1 || true)
echo "pixels changed per panel: ${first_panel%% *} ${second_panel%% *}"
# The spooler lists the queues in its own order: one panel changes, the other not.
check "only the changed panel is drawn differently" \
  [ "$(( (${first_panel%% *} == 0) + (${second_panel%% *} == 0) ))" = 1 ]

# The tray menu, opened as a right click on the icon does: its left edge at
# the cursor, its bottom edge at the cursor.
d cursor 640 560 >/dev/null
d post Tessaly 0x401 1 0x204 >/dev/null
menu=$(d menu 10) || menu=""
echo "menu: $menu"
read -r mx my mwidth mheight <<<"$menu"
check "menu opened at the cursor" [ "${mx:-0}" = 640 ] && [ "$((${my:-0} + ${mheight:-0}))" = 560 ]
if [ -n "$shots" ]; then
  shot "$shots/tessaly-menu.png" 440 380 584 388
fi
# A click elsewhere on the desktop closes it.
d click-at 100 100 >/dev/null
check "a click outside closes the menu" d menu-gone 5
sleep 0.3

# A second copy ends at once and leaves one tray window.
start_monitor
second=${pids[1]}
ended=no
for _ in $(seq 1 50); do
  kill -0 "$second" 2>/dev/null || { ended=yes; break; }
  sleep 0.1
done
check "a second Tessaly.exe ends at once" [ "$ended" = yes ]
check "one tray window" [ "$(d count Tessaly)" = 1 ]

value_of() { wine64 reg query "$settings" /v "$1" </dev/null 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v {print $3}'; }
check "B_OFF written as 0" [ "$(value_of B_OFF)" = 0x0 ]
check "B_POPUP written as 0" [ "$(value_of B_POPUP)" = 0x0 ]
check "B_ALWAYS kept as 1" [ "$(value_of B_ALWAYS)" = 0x1 ]
d post Tessaly 0x111 32785 0 >/dev/null  # Display > Popup
sleep 0.5
check "Popup stored" [ "$(value_of B_POPUP)" = 0x1 ]
check "Always cleared" [ "$(value_of B_ALWAYS)" = 0x0 ]

# The driver's error text: one message box, and the value is gone.
q error "$A" "Encoder not responding"
box=$(d wait "WinDrv Encoding Error" 10) || box=""
check "error text shown in its message box" [ -n "$box" ]
check "error text removed from the driver data" bash -c "! wine64 '$queues' has '$A' ErrorMessage </dev/null >/dev/null 2>&1"
d click "WinDrv Encoding Error" 1 >/dev/null
d gone "WinDrv Encoding Error" 5 >/dev/null
sleep 1
check "shown once" bash -c "! '$(command -v wine64)' '$driver' wait 'WinDrv Encoding Error' 1 </dev/null >/dev/null 2>&1"

# Uninstall: confirmed, it removes the Run value only and ends the monitor.
d post Tessaly 0x111 32773 0 >/dev/null
d wait Confirm 10 >/dev/null
d click Confirm 1 >/dev/null
ended=no
for _ in $(seq 1 50); do
  kill -0 "$first" 2>/dev/null || { ended=yes; break; }
  sleep 0.1
done
check "Uninstall ends the monitor" [ "$ended" = yes ]
check "Run value removed" bash -c "! wine64 reg query '$run_key' /v Tessaly </dev/null >/dev/null 2>&1"
check "settings kept" bash -c "wine64 reg query '$settings' /v B_POPUP </dev/null >/dev/null 2>&1"

echo "tessaly_tray: $failures failed"
[ "$failures" = 0 ]
