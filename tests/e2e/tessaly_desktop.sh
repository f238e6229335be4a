#!/bin/bash
# Tessaly.exe on a changing desktop under Wine: the tray menu opened at the
# notification area's corner and at the top edge still runs "Close Tessaly"
# (Windows moves a menu that would not fit), the icon comes back when the
# shell makes a new notification area ("TaskbarCreated"), the balloon moves
# to the new corner when the screen changes size, and its size follows the
# screen's DPI (96 and 144).
#   tessaly_desktop.sh WINDOW_DRIVER E2E_SEED TESSALY_EXE QUEUES_EXE TESSHOOK_DLL SHELL_EXE
set -u
driver=$1
tessaly=$3
queues=$4
hook=$5
shell=$6

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
s() { w "$shell" "$@"; }
q() { wine64 "$queues" "$@" </dev/null >/dev/null 2>&1; }

dir=$(mktemp -d)
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
desktop='HKCU\Control Panel\Desktop'
A="Tessaly Desktop Front"
B="Tessaly Desktop Back"
pids=()
cleanup() {
  d post Tessaly 0x10 0 0 >/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  s resolution 1024 768 >/dev/null
  wine64 reg delete "$desktop" /v LogPixels /f </dev/null >/dev/null 2>&1
  for queue in "$A" "$B"; do q delete "$queue"; done
  wine64 reg delete "$settings" /f </dev/null >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT
cp "$tessaly" "$hook" "$dir/"
d post Tessaly 0x10 0 0 >/dev/null && sleep 1
wine64 reg delete "$settings" /f </dev/null >/dev/null 2>&1
wine64 reg add "$settings" /v B_ALWAYS /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
check "queues seeded" q add "$A" "Orvane ZELKO-70 Card Printer"
check "second queue seeded" q add "$B" "Orvane ZELKO-40 Card Printer" 3XY00042

start_monitor() {
  (cd "$dir" && exec wine64 Tessaly.exe </dev/null >/dev/null 2>&1) &
  pids+=($!)
  d wait class:TessalyBalloon 30 >/dev/null
}
ended() {  # the tray window is gone within 10 seconds
  for _ in $(seq 1 100); do
    [ "$(d count Tessaly)" = 0 ] && return 0
    sleep 0.1
  done
  return 1
}
# The balloon once it has risen to its full height HEIGHT.
risen() {  # risen HEIGHT
  local rect x y width height
  for _ in $(seq 1 50); do
    rect=$(s balloon)
    read -r x y width height <<<"$rect"
    [ "${height:-0}" -ge "$1" ] && break
    sleep 0.2
  done
  echo "$rect"
}

# The menu opened at CURSOR_X CURSOR_Y as a right click on the icon does;
# a real click on its last item, "Close Tessaly", ends the monitor.
close_from_menu() {  # close_from_menu WHERE X Y
  local menu mx my mwidth mheight
  start_monitor
  sleep 1
  d cursor "$2" "$3" >/dev/null
  d post Tessaly 0x401 1 0x204 >/dev/null
  menu=$(d menu 10) || menu=""
  read -r mx my mwidth mheight <<<"$menu"
  echo "menu at $1 (cursor $2 $3): $menu"
  # The last item's middle: the menu's frame is a few pixels, the item about
  # twenty high. The pointer goes there first, as a user's does.
  local x=$((${mx:-0} + ${mwidth:-0} / 2)) y=$((${my:-0} + ${mheight:-0} - 10))
  d cursor "$x" "$y" >/dev/null
  sleep 0.5
  d click-at "$x" "$y" >/dev/null
  check "\"Close Tessaly\" from the menu at $1" ended
}
close_from_menu "the bottom-right corner" 1020 760
close_from_menu "the top edge" 500 2

# The shell loses the icon and makes a new notification area.
start_monitor
check "icon in the notification area" s has-icon 1
s remove-icon 1 >/dev/null
check "icon gone with the old notification area" bash -c "! '$(command -v wine64)' '$shell' has-icon 1 </dev/null >/dev/null 2>&1"
s broadcast TaskbarCreated >/dev/null
sleep 1
check "icon back after TaskbarCreated" s has-icon 1

# A smaller screen: the balloon moves to the new corner of the work area.
rect=$(risen 180)
echo "balloon: $rect, work area: $(s workarea)"
s resolution 800 600 >/dev/null
# Wine sends WM_DISPLAYCHANGE before its taskbar has moved to the new
# bottom edge; the balloon finds the final corner at a following refresh.
for _ in $(seq 1 50); do
  sleep 0.2
  read -r left top right bottom <<<"$(s workarea)"
  read -r x y width height <<<"$(s balloon)"
  [ "$((x + width))" = "$right" ] && [ "$((y + height))" = "$bottom" ] && break
done
echo "after the change: balloon $x $y $width $height, work area $left $top $right $bottom"
check "the screen is smaller" [ "${right:-0}" = 800 ]
check "balloon at the new right edge" [ "$((x + width))" = "$right" ]
check "balloon at the new bottom" [ "$((y + height))" = "$bottom" ]
check "balloon keeps its height" [ "$height" = 180 ]
s resolution 1024 768 >/dev/null
d post Tessaly 0x10 0 0 >/dev/null
check "monitor closed" ended

# The balloon's size at 96 and at 144 DPI (150 %): 246 x 90 per panel, and
# half as long again.
for dpi in 96 144; do
  wine64 reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  start_monitor
  want_width=$((246 * dpi / 96))
  want_height=$((2 * 90 * dpi / 96))
  rect=$(risen "$want_height")
  read -r x y width height <<<"$rect"
  echo "at $(s dpi) DPI: balloon $rect"
  check "balloon $want_width wide at $dpi DPI" [ "${width:-0}" = "$want_width" ]
  check "balloon $want_height high at $dpi DPI" [ "${height:-0}" = "$want_height" ]
  d post Tessaly 0x10 0 0 >/dev/null
  check "monitor closed at $dpi DPI" ended
done
wine64 reg delete "$desktop" /v LogPixels /f </dev/null >/dev/null 2>&1

echo "tessaly_desktop: $failures failed"
[ "$failures" = 0 ]
