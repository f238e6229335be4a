#!/usr/bin/env bash
# Shows Pelmora's first page under Wine and keeps screenshots of it:
#
#   scripts/demo.sh [SCREENSHOT_FOLDER]     (default docs/screenshots)
#
# Builds Pelmora.exe with the win64 preset, lays out an installation folder
# (build/demo/install: Pelmora.exe, its Pelmora.ini and the installation
# media), runs the program
# there on a virtual display of its own, and saves the wizard window as
#   pelmora-step1-english.png   with the default settings ("LANGUAGE:" 0)
#   pelmora-step1-korean.png    with "LANGUAGE:" 1
# Then it ends the program (as the window's close box would) and everything
# it started. Only Step 1 is shown: the later steps change the system.
#
# The demo has its own Wine prefix ($PELMORA_CACHE/demo-wineprefix) and
# display (:97), so it never meets a test run on the shared ones.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shots=${1:-$root/docs/screenshots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
export PELMORA_WINEPREFIX=${PELMORA_DEMO_WINEPREFIX:-$PELMORA_CACHE/demo-wineprefix}
export PELMORA_DISPLAY=${PELMORA_DEMO_DISPLAY:-:97}

echo "demo: building Pelmora.exe (win64)"
if [ -x scripts/build-openssl-mingw.sh ] || [ -f scripts/build-openssl-mingw.sh ]; then
  bash scripts/build-openssl-mingw.sh x86_64 >/dev/null
fi
mkdir -p "$root/build/demo"
build_log=$root/build/demo/build.log
if ! { cmake --preset win64 && cmake --build --preset win64 --target Pelmora DIFxCmd Cardplug pelmora_media -j "${PELMORA_JOBS:-2}"; } \
  >"$build_log" 2>&1; then
  grep -E 'error|Error' "$build_log" | head -n 20 >&2
  echo "demo: the build failed; see $build_log" >&2
  exit 1
fi
exe=$root/build/win64/installer/Pelmora.exe
[ -f "$exe" ] || { echo "demo: $exe was not built" >&2; exit 1; }

demo=$root/build/demo
install=$demo/install
rm -rf "$install"
mkdir -p "$install"
cp "$exe" "$install/"
# The installation media the build generated: driver packages, plug-in,
# certificate and driver-package tool.
cp -r "$root/build/win64/media/." "$install/"
# The window driver of the end-to-end tests waits for the window and closes it.
x86_64-w64-mingw32-gcc -municode -O2 -Wall -Wextra -o "$demo/window_driver.exe" \
  tests/e2e/window_driver.c

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
pelmora_wine_start || { echo "demo: the Wine environment did not start" >&2; exit 1; }
trap 'pelmora_wine_stop' EXIT
# The header's bold font names no face, and Wine then takes its Arial, which
# has no Hangul: in this demo prefix Arial is Noto Sans CJK, which has all the
# scripts (Windows picks its own face; the program asks for none). The
# dialog's own face keeps Liberation Sans, linked to Noto Sans CJK for the
# East Asian texts, so the window keeps its usual proportions.
wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d "$PELMORA_CJK_FONT" /f \
  </dev/null >/dev/null 2>&1
wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Microsoft Sans Serif" \
  /d "Liberation Sans" /f </dev/null >/dev/null 2>&1

# Runs Pelmora in the installation folder with the given Pelmora.ini and
# saves its window as $shots/$1.
shoot() {
  local name=$1 ini=$2
  printf '%b' "$ini" > "$install/Pelmora.ini"
  (cd "$install" && exec wine64 Pelmora.exe </dev/null >"$demo/pelmora.log" 2>&1) &
  local pid=$!
  local rect
  if ! rect=$(wine64 "$demo/window_driver.exe" wait Pelmora 60 </dev/null 2>/dev/null); then
    echo "demo: the Pelmora window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  local x y w h
  read -r x y w h <<<"$rect"
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$shots/$name"
  wine64 "$demo/window_driver.exe" close Pelmora </dev/null >/dev/null 2>&1 || true
  # The window's close ends the modal wizard and with it the process.
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "demo: saved $shots/$name"
}

shoot pelmora-step1-english.png 'LANGUAGE:0\r\nMODEL:0\r\n'
shoot pelmora-step1-korean.png 'LANGUAGE:1\r\nMODEL:0\r\n'
# The installation folder keeps the default settings.
printf 'LANGUAGE:0\r\nMODEL:0\r\n' > "$install/Pelmora.ini"
