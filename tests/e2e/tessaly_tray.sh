#!/bin/bash
# Tessaly.exe under Wine: the balloon rises at the bottom-right corner of the
# work area with one panel per monitored queue, a queue of a foreign driver is
# left out, a status change is drawn, the tray menu shows the stored mode, a
# second copy ends at once, a driver error text comes up in its message box,
# the mode values land in the registry, and Uninstall removes the Run value.
#   tessaly_tray.sh WINDOW_DRIVER E2E_SEED TESSALY_EXE QUEUES_EXE TESSHOOK_DLL [SCREENSHOT_FOLDER]
# With a screenshot folder it keeps the balloon and the open menu there.
set -u
shots=${6:-}
# shellcheck source=tessaly_scenario.sh
source "$(dirname "$0")/tessaly_scenario.sh"
A="Tessaly E2E Front"
B="Tessaly E2E Back"
C="Tessaly E2E Office"
made_queues=("$A" "$B" "$C")
scenario_cleanup() {
  # The drivers go too: a maker's driver left in the prefix would be the
  # next installer scenario's leftover.
  local name
  for name in "Orvane ZELKO-70 Card Printer" "Orvane ZELKO-40 Card Printer" "Generic Office Printer"; do
    w "$seed" remove-driver "$name" >/dev/null
  done
}

tessaly_seed_settings
w reg add "$run_key" /v Tessaly /d 'C:\Tessaly.exe' /f >/dev/null
check "queues seeded" q add "$A" "Orvane ZELKO-70 Card Printer"
q add "$C" "Generic Office Printer" || true
check "queue of the second model seeded" q add "$B" "Orvane ZELKO-40 Card Printer" 3XY00042
q status "$A" 0x1000 0            # printing
q status "$B" 0 0x100000          # ribbon not found

start_monitor
first=${pids[0]}
rect=$(d wait class:TessalyBalloon 30) || rect=""
# The rise takes 37 steps of 20 ms; wait until it has its full height. Wine's
# desktop shrinks the work area when its task bar comes up for the tray
# icon, and the balloon follows at its next refresh: wait for that too.
settled() {
  rect=$(d rect class:TessalyBalloon)
  read -r x y width height <<<"$rect"
  read -r area_left area_top area_right area_bottom <<<"$(d workarea)"
  [ "${height:-0}" -ge 180 ] && [ "$((y + height))" = "$area_bottom" ]
}
wait_until 6 settled
echo "balloon: $rect, work area: $area_left $area_top $area_right $area_bottom"
read -r x y width height <<<"$rect"
check "balloon 246 wide" [ "${width:-0}" = 246 ]
check "two monitored queues of three: 180 high" [ "${height:-0}" = 180 ]
check "at the right edge of the work area" [ "$((x + width))" = "$area_right" ]
check "at the bottom of the work area" [ "$((y + height))" = "$area_bottom" ]

screen_shot "$dir/before.png" "$x" "$y" "$width" "$height"
if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$dir/before.png" "$shots/tessaly-balloon.png"
fi

# The second panel's printer: the ribbon is back, now it is printing.
q status "$B" 0x1000 0
sleep 1.5
screen_shot "$dir/after.png" "$x" "$y" "$width" "$height"
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
d post Tessaly "$TRAY_CALLBACK" 1 "$WM_RBUTTONDOWN" >/dev/null
menu=$(d menu 10) || menu=""
echo "menu: $menu"
read -r mx my mwidth mheight <<<"$menu"
check "menu opened at the cursor" [ "${mx:-0}" = 640 ] && [ "$((${my:-0} + ${mheight:-0}))" = 560 ]
if [ -n "$shots" ]; then
  screen_shot "$shots/tessaly-menu.png" 440 380 584 388
fi
# A click elsewhere on the desktop closes it.
d click-at 100 100 >/dev/null
check "a click outside closes the menu" d menu-gone 5
sleep 0.3

# A second copy ends at once and leaves one tray window.
start_monitor
second=${pids[1]}
check "a second Tessaly.exe ends at once" wait_ended "$second" 5
check "one tray window" [ "$(d count Tessaly)" = 1 ]

value_of() { w reg query "$settings" /v "$1" | awk -v v="$1" '$1 == v {print $3}'; }
check "B_OFF written as 0" [ "$(value_of B_OFF)" = 0x0 ]
check "B_POPUP written as 0" [ "$(value_of B_POPUP)" = 0x0 ]
check "B_ALWAYS kept as 1" [ "$(value_of B_ALWAYS)" = 0x1 ]
d post Tessaly "$WM_COMMAND" "$ID_DISPLAY_POPUP" 0 >/dev/null
sleep 0.5
check "Popup stored" [ "$(value_of B_POPUP)" = 0x1 ]
check "Always cleared" [ "$(value_of B_ALWAYS)" = 0x0 ]

# The driver's error text: one message box, and the value is gone.
q error "$A" "Encoder not responding"
box=$(d wait "WinDrv Encoding Error" 10) || box=""
check "error text shown in its message box" [ -n "$box" ]
check "error text removed from the driver data" not q has "$A" ErrorMessage
d click "WinDrv Encoding Error" 1 >/dev/null
d gone "WinDrv Encoding Error" 5 >/dev/null
sleep 1
check "shown once" not d wait 'WinDrv Encoding Error' 1

# Uninstall: confirmed, it removes the Run value only and ends the monitor.
d post Tessaly "$WM_COMMAND" "$ID_TRAY_UNINSTALL" 0 >/dev/null
d wait Confirm 10 >/dev/null
d click Confirm 1 >/dev/null
check "Uninstall ends the monitor" wait_ended "$first" 5
check "Run value removed" not w reg query "$run_key" /v Tessaly
check "settings kept" w reg query "$settings" /v B_POPUP

passed_or_failed tessaly_tray
