#!/usr/bin/env bash
# Shows Pelmora's first page under Wine and keeps screenshots of it:
#
#   scripts/demo.sh [SCREENSHOT_FOLDER]     (default build/demo/screenshots)
#
# The first command to run on a fresh machine: it installs what it needs as
# the test command does (scripts/install-deps.sh demo, as root, and OpenSSL
# for mingw with scripts/build-openssl-mingw.sh, while a host tree of its own,
# build/demo/host, builds the printer simulator), then builds Pelmora.exe and
# Tessaly.exe with the win64 preset, lays out an installation folder
# (build/demo/install: Pelmora.exe, its Pelmora.ini and the installation
# media), runs the program there on a virtual display of its own, and saves
# the wizard window as
#   pelmora-step1-<language>.png  for each of the ten languages
#                                 ("LANGUAGE:" 0 to 9)
# Then it ends the program (as the window's close box would) and everything
# it started. Then, in English and Korean, it runs the installation for
# real on the demo prefix:
#   pelmora-step2-<language>.png, pelmora-step3-<language>.png,
#   pelmora-usb-waiting-<language>.png   over USB, up to the wait for the
#                                        queue (Wine has no Plug and Play)
#   pelmora-select-printer-<language>.png, pelmora-step3-network-<language>.png,
#   pelmora-finished-network-<language>.png
#                                        over the network, with the printer
#                                        simulator in a private network
#                                        namespace (tests/e2e/net/pelmora_network.sh,
#                                        on a prefix and display of its own,
#                                        beside the rest of the demo); the
#                                        last shows the failure Wine's
#                                        missing TCP/IP port monitor causes
# and takes back what it installed.
# Then it lays Tessaly.exe into the prefix's system folder, seeds a few
# queues of the maker's drivers and saves the monitor's balloon as
#   tessaly-demo-balloon.png
#
# The demo has its own Wine prefix ($PELMORA_CACHE/demo-wineprefix) and
# display (:97), so it never meets a test run on the shared ones.
# It exits non-zero when any part of it failed, after trying the others.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shots=${1:-$root/build/demo/screenshots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
# shellcheck source=../tests/e2e/lib.sh
source tests/e2e/lib.sh

# The parts that failed; the demo goes on with the others and fails at the end.
failed_parts=()
part_failed() {
  echo "demo: $1 failed" >&2
  failed_parts+=("$1")
}

echo "demo: installing what is missing"
bash scripts/install-deps.sh demo
mkdir -p "$root/build/demo"
build_log=$root/build/demo/build.log
: >"$build_log"
build_failed() {
  grep -E 'error|Error' "$1" | head -n 20 >&2
  echo "demo: $2 failed; see $1" >&2
  exit 1
}

# OpenSSL for mingw builds while a host tree of the demo's own builds the
# printer simulator and the network tool of the network installation: no
# tests, a few sources at a time as one unit, no debugging information (the
# inner loop's build/host stays as it is).
bash scripts/build-openssl-mingw.sh x86_64 >"$root/build/demo/openssl.log" 2>&1 &
openssl_pid=$!
# The demo's two Wine prefixes are made meanwhile (each on its own display,
# which goes away again): the runs below then start on ready prefixes.
demo_prefix=${PELMORA_DEMO_WINEPREFIX:-$PELMORA_CACHE/demo-wineprefix}
demo_display=${PELMORA_DEMO_DISPLAY:-:97}
net_prefix=${PELMORA_DEMO_NET_WINEPREFIX:-$PELMORA_CACHE/demo-wineprefix-net}
net_display=${PELMORA_DEMO_NET_DISPLAY:-:96}
(
  for pair in "$demo_prefix $demo_display" "$net_prefix $net_display"; do
    read -r prefix display <<<"$pair"
    (wine_up "$prefix" "$display" && wine_down) >>"$root/build/demo/prefixes.log" 2>&1 || true
  done
) &
prefixes_pid=$!
echo "demo: building the printer simulator (host)"
host_tree=$root/build/demo/host
{ cmake --preset host -B "$host_tree" -DCMAKE_BUILD_TYPE=Release -DPELMORA_TESTS=OFF \
    -DPELMORA_BENCH=OFF -DPELMORA_UNITY=ON &&
    cmake --build "$host_tree" --target printer_sim zelkonet -j "${PELMORA_JOBS:-2}"; } \
  >>"$build_log" 2>&1 || build_failed "$build_log" "the host build"
wait "$openssl_pid" || build_failed "$root/build/demo/openssl.log" "the OpenSSL build"

echo "demo: building Pelmora.exe and Tessaly.exe (win64)"
# The window driver of the end-to-end tests waits for the wizard, clicks it
# and closes it; the spooler seed takes back what the installation made; the
# queue tool seeds the monitor's queues.
{ cmake --preset win64 && cmake --build --preset win64 --target Pelmora DIFxCmd Cardplug pelmora_media \
    window_driver e2e_seed Tessaly tesshook tessaly_queues -j "${PELMORA_JOBS:-2}"; } \
  >>"$build_log" 2>&1 || build_failed "$build_log" "the win64 build"
wait "$prefixes_pid" || true
exe=$root/build/win64/installer/Pelmora.exe
[ -f "$exe" ] || { echo "demo: $exe was not built" >&2; exit 1; }
driver=$root/build/win64/tests/e2e/window_driver.exe
seed=$root/build/win64/tests/e2e/e2e_seed.exe

demo=$root/build/demo
install=$demo/install
rm -rf "$install"
mkdir -p "$install"
cp "$exe" "$install/"
# The installation media the build generated: driver packages, plug-in,
# certificate and driver-package tool.
cp -r "$root/build/win64/media/." "$install/"

# ---- The installation over the network, in English and Korean ---------------
# The end-to-end network scenario with the printer simulator in a private
# network namespace (needs root), on a prefix and display of the demo's own.
# It runs beside the rest of the demo, which uses another prefix and display;
# each run leaves its exit status beside its log.
network_runs=(english korean)
rm -f "$demo"/network-*.status
(
  language=0
  for name in "${network_runs[@]}"; do
    rc=0
    PELMORA_NET_WINEPREFIX=$net_prefix PELMORA_NET_DISPLAY=$net_display \
      bash tests/e2e/net/pelmora_network.sh "$root/build/win64" "$host_tree" "$shots" \
      "$language" "$name" >"$demo/network-$name.log" 2>&1 || rc=$?
    echo "$rc" >"$demo/network-$name.status"
    language=$((language + 1))
  done
) &
network_pid=$!

wine_up "$demo_prefix" "$demo_display" ||
  { echo "demo: the Wine environment did not start" >&2; exit 1; }
# The network lane is waited for on every way out.
trap 'wine_down; wait "$network_pid" 2>/dev/null || true' EXIT

# Runs Pelmora in the installation folder with the given Pelmora.ini and
# saves its window as $shots/$1.
shoot() {
  local name=$1 ini=$2
  printf '%b' "$ini" > "$install/Pelmora.ini"
  (cd "$install" && exec wine64 Pelmora.exe </dev/null >"$demo/pelmora.log" 2>&1) &
  local pid=$!
  local rect x y width height
  if ! rect=$(wait_window Pelmora 180); then
    echo "demo: the Pelmora window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  read -r x y width height <<<"$rect"
  local saved=0
  screen_shot "$shots/$name" "$x" "$y" "$width" "$height" || saved=1
  d close Pelmora >/dev/null || true
  # The window's close ends the modal wizard and with it the process.
  wait_ended "$pid" 10 || kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$saved" -eq 0 ] && echo "demo: saved $shots/$name"
}

# Step 1 in every language, in the order of the language list.
language=0
for name in english korean spanish japanese chinese-simplified chinese-traditional \
            indonesian portuguese persian russian; do
  shoot "pelmora-step1-$name.png" "LANGUAGE:$language\r\nMODEL:0\r\n" ||
    part_failed "the Step 1 page in $name"
  language=$((language + 1))
done
# The installation folder keeps the default settings.
printf 'LANGUAGE:0\r\nMODEL:0\r\n' > "$install/Pelmora.ini"

# ---- The installation over USB, in English and Korean -----------------------
# Step 1, Step 2 and Step 3 for real on the demo prefix, then Next with the USB
# port: the wizard waits for Plug and Play to make the queue, which Wine never
# does (it has no device tree), so the demo saves the waiting page and ends
# the program there. Then it takes back what Steps 2 and 3 left.
c=$WINEPREFIX/drive_c
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
save() {  # save WINDOW FILE
  window_shot "$1" "$shots/$2" || { echo "demo: no window for $2" >&2; return 1; }
  echo "demo: saved $shots/$2"
}
installation_tidy() {
  d close Pelmora >/dev/null || true
  sleep 1
  for model in "Orvane ZELKO-70 Card Printer" "Orvane ZELKO-40 Card Printer" \
               "Orlent ZELKO Card Printer" "VANTO-70 Card Printer"; do
    w "$seed" remove-queue "$model" >/dev/null || true
    w "$seed" remove-driver "$model" >/dev/null || true
  done
  w reg delete "$run_key" /v Tessaly /f >/dev/null || true
  for f in $(grep -l 'DiskName="Orvane ZELKO-70 Card Printer"' "$c/windows/inf/"*.inf 2>/dev/null); do
    rm -f "$f" "${f%.inf}.pnf"
  done
  rm -rf "$c/Program Files/Orvane" "$c/windows/system32/Tessaly.exe"
}
usb_installation() {  # usb_installation LANGUAGE NAME
  local language=$1 name=$2 pid saved=0
  installation_tidy
  # The monitor Step 2 starts and registers: a stand-in that ends at once.
  cp "$driver" "$c/windows/system32/Tessaly.exe"
  printf 'LANGUAGE:%s\r\nMODEL:0\r\n' "$language" > "$install/Pelmora.ini"
  (cd "$install" && exec wine64 Pelmora.exe </dev/null >"$demo/pelmora.log" 2>&1) &
  pid=$!
  wait_window Pelmora 180 >/dev/null || { echo "demo: the Pelmora window did not appear" >&2; return 1; }
  d click Pelmora "$IDC_NEXT" || return 1
  d wait-text Pelmora "$IDC_HEADER" 2 240 >/dev/null || { echo "demo: Step 1 did not end" >&2; return 1; }
  sleep 1
  save Pelmora "pelmora-step2-$name.png" || saved=1
  d click Pelmora "$IDC_NEXT" || return 1
  d wait-text Pelmora "$IDC_HEADER" 3 120 >/dev/null || { echo "demo: Step 2 did not end" >&2; return 1; }
  sleep 1
  save Pelmora "pelmora-step3-$name.png" || saved=1
  d click Pelmora "$IDC_NEXT" || return 1
  sleep 4
  save Pelmora "pelmora-usb-waiting-$name.png" || saved=1
  installation_tidy
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  return "$saved"
}
usb_installation 0 english || part_failed "the USB installation (english)"
usb_installation 1 korean || part_failed "the USB installation (korean)"
printf 'LANGUAGE:0\r\nMODEL:0\r\n' > "$install/Pelmora.ini"

# ---- Tessaly ----------------------------------------------------------------
# The monitor as the installer lays it out: Tessaly.exe and tesshook.dll in
# the system folder, started from there, with a few seeded queues of the
# maker's drivers (one printing, one out of ribbon, one idle) and the display
# mode Always. Saves the balloon as tessaly-demo-balloon.png, then ends the
# monitor and removes the queues and its settings.
system32=$WINEPREFIX/drive_c/windows/system32
queues=$root/build/win64/tests/e2e/tessaly_queues.exe
settings='HKLM\SOFTWARE\Orlent System\Tessaly'
demo_queues=("Reception ZELKO-70" "Badge Office ZELKO-40" "Visitor Desk MARLO-800")
tessaly_cleanup() {
  d post Tessaly "$WM_CLOSE" 0 0 >/dev/null || true
  sleep 1
  for queue in "${demo_queues[@]}"; do
    w "$queues" delete "$queue" >/dev/null || true
  done
  w reg delete "$settings" /f >/dev/null || true
}
trap 'tessaly_cleanup; wine_down; wait "$network_pid" 2>/dev/null || true' EXIT
tessaly_balloon() {
  local x y width height
  cp "$root/build/win64/monitor/Tessaly.exe" "$root/build/win64/tools/tesshook/tesshook.dll" \
    "$system32/" || return 1
  w reg add "$settings" /v B_ALWAYS /t REG_DWORD /d 1 /f >/dev/null &&
    w "$queues" add "${demo_queues[0]}" "Orvane ZELKO-70 Card Printer" >/dev/null &&
    w "$queues" add "${demo_queues[1]}" "Orvane ZELKO-40 Card Printer" 3CD00042 >/dev/null &&
    w "$queues" add "${demo_queues[2]}" "Orvane MARLO-800 Card Printer" >/dev/null &&
    w "$queues" status "${demo_queues[0]}" 0x1000 0 >/dev/null &&
    w "$queues" status "${demo_queues[1]}" 0 0 0 >/dev/null ||
    { echo "demo: the monitor's queues could not be seeded" >&2; return 1; }
  (cd "$system32" && exec wine64 Tessaly.exe </dev/null >"$demo/tessaly.log" 2>&1) &
  wait_window class:TessalyBalloon 120 >/dev/null || { echo "demo: no balloon" >&2; return 1; }
  sleep 1.5  # the rise: 5 pixels every 20 ms
  read -r x y width height <<<"$(d rect class:TessalyBalloon)"
  screen_shot "$shots/tessaly-demo-balloon.png" "$x" "$y" "$width" "$height" || return 1
  echo "demo: saved $shots/tessaly-demo-balloon.png (balloon ${width}x${height} at $x,$y)"
}
tessaly_balloon || part_failed "the Tessaly balloon"

wait "$network_pid" || true
for name in "${network_runs[@]}"; do
  if [ "$(cat "$demo/network-$name.status" 2>/dev/null)" = 0 ]; then
    echo "demo: saved $shots/pelmora-select-printer-$name.png," \
         "pelmora-step3-network-$name.png, pelmora-finished-network-$name.png"
  else
    part_failed "the network installation ($name); see $demo/network-$name.log"
  fi
done

if [ ${#failed_parts[@]} -gt 0 ]; then
  echo "demo: ${#failed_parts[@]} part(s) failed: ${failed_parts[*]}" >&2
  exit 1
fi
echo "demo: done; the screenshots are in $shots"
