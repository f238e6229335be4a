#!/bin/bash
# Tessaly.exe on a changing desktop under Wine: the tray menu opened at the
# notification area's corner and at the top edge still runs "Close Tessaly"
# (Windows moves a menu that would not fit), the icon comes back when the
# shell makes a new notification area ("TaskbarCreated"), the balloon moves
# to the new corner when the screen changes size, and its size follows the
# screen's DPI (96 and 144).
#   tessaly_desktop.sh WINDOW_DRIVER E2E_SEED TESSALY_EXE QUEUES_EXE TESSHOOK_DLL SHELL_EXE
set -u
shell=$6
# shellcheck source=tessaly_scenario.sh
source "$(dirname "$0")/tessaly_scenario.sh"
s() { w "$shell" "$@"; }
desktop='HKCU\Control Panel\Desktop'
A="Tessaly Desktop Front"
B="Tessaly Desktop Back"
made_queues=("$A" "$B")
scenario_cleanup() {
  s resolution 1024 768 >/dev/null
  w reg delete "$desktop" /v LogPixels /f >/dev/null
}
tessaly_seed_settings
check "queues seeded" q add "$A" "Orvane ZELKO-70 Card Printer"
check "second queue seeded" q add "$B" "Orvane ZELKO-40 Card Printer" 3XY00042

# The balloon once it has risen to its full height HEIGHT.
risen() {  # risen HEIGHT
  local rect x y width height
  at_height() {
    rect=$(s balloon)
    read -r x y width height <<<"$rect"
    [ "${height:-0}" -ge "$1" ]
  }
  wait_until 10 at_height "$1"
  echo "$rect"
}

# The menu opened at CURSOR_X CURSOR_Y as a right click on the icon does;
# a real click on its last item, "Close Tessaly", ends the monitor.
close_from_menu() {  # close_from_menu WHERE X Y
  local menu mx my mwidth mheight
  start_monitor 30
  sleep 1
  d cursor "$2" "$3" >/dev/null
  d post Tessaly "$TRAY_CALLBACK" 1 "$WM_RBUTTONDOWN" >/dev/null
  menu=$(d menu 10) || menu=""
  read -r mx my mwidth mheight <<<"$menu"
  echo "menu at $1 (cursor $2 $3): $menu"
  # The last item's middle: the menu's frame is a few pixels, the item about
  # twenty high. The pointer goes there first, as a user's does.
  local x=$((${mx:-0} + ${mwidth:-0} / 2)) y=$((${my:-0} + ${mheight:-0} - 10))
  d cursor "$x" "$y" >/dev/null
  sleep 0.5
  d click-at "$x" "$y" >/dev/null
  check "\"Close Tessaly\" from the menu at $1" monitor_ended
}
close_from_menu "the bottom-right corner" 1020 760
close_from_menu "the top edge" 500 2

# The shell loses the icon and makes a new notification area.
start_monitor 30
check "icon in the notification area" s has-icon 1
s remove-icon 1 >/dev/null
check "icon gone with the old notification area" not s has-icon 1
s broadcast TaskbarCreated >/dev/null
sleep 1
check "icon back after TaskbarCreated" s has-icon 1

# A smaller screen: the balloon moves to the new corner of the work area.
rect=$(risen 180)
echo "balloon: $rect, work area: $(s workarea)"
s resolution 800 600 >/dev/null
# Wine sends WM_DISPLAYCHANGE before its taskbar has moved to the new
# bottom edge; the balloon finds the final corner at a following refresh.
in_corner() {
  read -r left top right bottom <<<"$(s workarea)"
  read -r x y width height <<<"$(s balloon)"
  [ "$((x + width))" = "$right" ] && [ "$((y + height))" = "$bottom" ]
}
sleep 0.2
wait_until 10 in_corner
echo "after the change: balloon $x $y $width $height, work area $left $top $right $bottom"
check "the screen is smaller" [ "${right:-0}" = 800 ]
check "balloon at the new right edge" [ "$((x + width))" = "$right" ]
check "balloon at the new bottom" [ "$((y + height))" = "$bottom" ]
check "balloon keeps its height" [ "$height" = 180 ]
s resolution 1024 768 >/dev/null
close_monitor
check "monitor closed" monitor_ended

# The balloon's size at 96 and at 144 DPI (150 %): 246 x 90 per panel, and
# half as long again.
for dpi in 96 144; do
  w reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  start_monitor 30
  want_width=$((246 * dpi / 96))
  want_height=$((2 * 90 * dpi / 96))
  rect=$(risen "$want_height")
  read -r x y width height <<<"$rect"
  echo "at $(s dpi) DPI: balloon $rect"
  check "balloon $want_width wide at $dpi DPI" [ "${width:-0}" = "$want_width" ]
  check "balloon $want_height high at $dpi DPI" [ "${height:-0}" = "$want_height" ]
  close_monitor
  check "monitor closed at $dpi DPI" monitor_ended
done
w reg delete "$desktop" /v LogPixels /f >/dev/null

passed_or_failed tessaly_desktop
