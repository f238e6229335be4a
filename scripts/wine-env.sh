# The Wine environment of the Windows tests and the demo. Source it:
#
#   . scripts/wine-env.sh
#   pelmora_wine_start     # display, prefix (made once), persistent wineserver
#   ctest --preset win64
#   pelmora_wine_stop      # ends only what pelmora_wine_start started
#
# The prefix lives outside the checkout, under $PELMORA_CACHE (default
# /var/cache/pelmora/wineprefix), and is made once: about ten seconds and
# 700 MB the first time. One Xvfb display (:99 unless PELMORA_DISPLAY says
# otherwise) and one persistent wineserver serve the whole run, so each test
# program starts in a fraction of a second.
# Safe to source more than once, and from bash or a POSIX shell.

PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
export WINEPREFIX=${PELMORA_WINEPREFIX:-$PELMORA_CACHE/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: the programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export DISPLAY=${PELMORA_DISPLAY:-:99}
# Debian keeps wine64 and wineserver in /usr/lib/wine.
case ":$PATH:" in
  *:/usr/lib/wine:*) ;;
  *) PATH=/usr/lib/wine:$PATH ;;
esac
export PATH

PELMORA_WINE_RUN=$PELMORA_CACHE/run
# The scripts folder, for the package list: from bash the sourced file's own
# folder; from a POSIX shell the checkout's (PELMORA_ROOT, or the current
# folder).
if [ -n "${BASH_SOURCE:-}" ]; then
  PELMORA_SCRIPTS=$(cd "$(dirname "$BASH_SOURCE")" && pwd)
else
  PELMORA_SCRIPTS=${PELMORA_ROOT:-$PWD}/scripts
fi

# The Debian packages of the environment (Wine, the display, the fonts Wine
# draws dialogs with, ImageMagick for screenshots): the "wine" group of
# scripts/install-deps.sh.
pelmora_wine_install_packages() {
  bash "$PELMORA_SCRIPTS/install-deps.sh" wine
}

# True when an X server answers on $DISPLAY.
pelmora_display_up() {
  local number
  number=${DISPLAY#:}
  number=${number%%.*}
  [ -S "/tmp/.X11-unix/X$number" ] || return 1
  if command -v xdpyinfo >/dev/null 2>&1; then
    xdpyinfo >/dev/null 2>&1
  else
    return 0
  fi
}

pelmora_display_start() {
  pelmora_display_up && return 0
  local number old tries
  mkdir -p "$PELMORA_WINE_RUN"
  number=${DISPLAY#:}
  number=${number%%.*}
  # A lock left by a display that died would stop Xvfb from starting.
  if [ -f "/tmp/.X$number-lock" ]; then
    old=$(tr -d ' ' < "/tmp/.X$number-lock")
    if [ -n "$old" ] && ! kill -0 "$old" 2>/dev/null; then
      rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
    fi
  fi
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$PELMORA_WINE_RUN/xvfb.log" 2>&1 &
  echo $! > "$PELMORA_WINE_RUN/xvfb-$number.pid"
  PELMORA_STARTED_XVFB=$!
  tries=0
  until pelmora_display_up; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "wine-env: Xvfb did not start on $DISPLAY" >&2
      return 1
    fi
    sleep 0.1
  done
}

# Settings the prefix gets once (a new PELMORA_WINE_CONFIG_VERSION applies
# them again to an existing prefix):
# - a virtual desktop: Xvfb has no window manager, and without one Wine waits
#   two seconds for every top-level window it hides; inside the desktop
#   window it does not wait, and windows get their frames;
# - fonts: Wine draws Hangul, kana and Chinese characters only from fonts it
#   links to the dialog faces, so those links point at Noto Sans CJK (and at
#   DejaVu Sans for the Persian texts), and the East Asian Windows faces are
#   replaced by Noto Sans CJK.
PELMORA_WINE_CONFIG_VERSION=12
PELMORA_CJK_FONT_FILE=NotoSansCJK-Regular.ttc
PELMORA_CJK_FONT="Noto Sans CJK KR"

pelmora_wine_configure() {
  local reg_file link persian face
  reg_file=$PELMORA_WINE_RUN/pelmora-prefix.reg
  link=$(pelmora_multi_sz_hex "$PELMORA_CJK_FONT_FILE,$PELMORA_CJK_FONT" \
    "DejaVuSans.ttf,DejaVu Sans" "DejaVuSans-Bold.ttf,DejaVu Sans Bold")
  persian=$(pelmora_multi_sz_hex "DejaVuSans.ttf,DejaVu Sans" "DejaVuSans-Bold.ttf,DejaVu Sans Bold")
  {
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
    echo '"Desktop"="Default"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
    echo '"Default"="1024x768"'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
    # Wine looks a link up under the name of the face it really draws with:
    # the Windows names and the Liberation and Wine faces that stand in for
    # them all get one, and so does the bold DejaVu Sans (the wizard's header
    # in the dialog's face), which Wine looks up under a name of its own.
    for face in "Microsoft Sans Serif" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" \
                "Segoe UI" "Liberation Sans" "Arial" "Wine Tahoma" "DejaVu Sans" \
                "DejaVu Sans Bold"; do
      printf '"%s"=hex(7):%s\n' "$face" "$link"
    done
    # The CJK face itself (it stands in for the faces below) borrows the
    # Persian letters; its bold face is looked up under a name of its own.
    printf '"%s"=hex(7):%s\n' "$PELMORA_CJK_FONT" "$persian" "$PELMORA_CJK_FONT Bold" "$persian"
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    # The balloon's Arial (and any font created without a face name, which
    # Wine draws in Arial) is the CJK face, which has Latin, Cyrillic,
    # Hangul, kana and Chinese, and links to DejaVu Sans for the Persian
    # letters: font links do not reach Wine's own Arial. The wizard's header
    # takes the dialog's face.
    printf '"Arial"="%s"\n' "$PELMORA_CJK_FONT"
    # The dialogs' "Microsoft Sans Serif" is DejaVu Sans, which has the
    # Latin, Cyrillic and Persian letters itself and links to the CJK face.
    # Wine's edit controls draw Persian through Uniscribe, which falls back to
    # "Microsoft Sans Serif" for it and ignores font links; and a face that
    # takes Cyrillic from a link lifts some of its letters in edit controls.
    echo '"Microsoft Sans Serif"="DejaVu Sans"'
    for face in "Gulim" "Dotum" "Malgun Gothic"; do
      printf '"%s"="Noto Sans CJK KR"\n' "$face"
    done
    for face in "MS UI Gothic" "MS Gothic" "Meiryo"; do
      printf '"%s"="Noto Sans CJK JP"\n' "$face"
    done
    for face in "SimSun" "NSimSun" "Microsoft YaHei"; do
      printf '"%s"="Noto Sans CJK SC"\n' "$face"
    done
    for face in "PMingLiU" "MingLiU" "Microsoft JhengHei"; do
      printf '"%s"="Noto Sans CJK TC"\n' "$face"
    done
  } > "$reg_file"
  wine64 regedit /S "$(winepath -w "$reg_file" 2>/dev/null || echo "$reg_file")" \
    </dev/null >/dev/null 2>&1
}

# REG_MULTI_SZ of ASCII strings, as hex(7) of a REGEDIT4 file wants it:
# 8-bit characters, each string's zero and the list's zero.
pelmora_multi_sz_hex() {
  local text
  for text in "$@"; do
    printf '%s\0' "$text"
  done | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g; s/$/,00/'
}

pelmora_prefix_ready() {
  [ "$(cat "$WINEPREFIX/.pelmora-ready" 2>/dev/null)" = "$PELMORA_WINE_CONFIG_VERSION" ]
}

pelmora_prefix_create() {
  pelmora_prefix_ready && return 0
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
    # The first Wine process of a prefix must see the display, or later GUI
    # calls fail with error 1400.
    wine64 wineboot -i </dev/null >"$PELMORA_WINE_RUN/wineboot.log" 2>&1 || return 1
  fi
  pelmora_wine_configure || return 1
  echo "$PELMORA_WINE_CONFIG_VERSION" > "$WINEPREFIX/.pelmora-ready"
  PELMORA_PREFIX_CONFIGURED=1
}

pelmora_wineserver_start() {
  # -p: persistent, so the server outlives each test program. When a server
  # already runs for this prefix, wineserver says so with exit code 2 and
  # that server is used. No output stays tied to the caller's terminal or
  # pipe: a daemon holding it would keep a "| tee" open for ever.
  local server_status=0
  mkdir -p "$PELMORA_WINE_RUN"
  wineserver -p </dev/null >>"$PELMORA_WINE_RUN/wineserver.log" 2>&1 || server_status=$?
  case $server_status in
    0) PELMORA_STARTED_WINESERVER=1 ;;
    2) ;;
    *) echo "wine-env: wineserver did not start" >&2; return 1 ;;
  esac
}

# The first program a fresh server runs also starts Wine's own background
# processes (services, device drivers, the desktop window's explorer), and
# they inherit that program's output. Under ctest that output is a pipe, and
# ctest would wait for it to close until the test's time-out. Start them here
# from a program whose output goes nowhere: rundll32 makes a window, which
# brings up the desktop too.
pelmora_wine_warm_up() {
  wine64 rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}

pelmora_wine_start() {
  pelmora_wine_install_packages || return 1
  pelmora_display_start || return 1
  # The persistent server comes first: the prefix's set-up then runs on it,
  # and nothing has to wait for a short-lived server to go away (a server
  # that someone else made persistent never would).
  mkdir -p "$WINEPREFIX" "$PELMORA_WINE_RUN"
  pelmora_wineserver_start || return 1
  PELMORA_PREFIX_CONFIGURED=
  pelmora_prefix_create || return 1
  if [ -n "$PELMORA_PREFIX_CONFIGURED" ]; then
    # The desktop and the fonts of the new settings are read when Wine's
    # session starts: the one wineboot started has the old ones, so start
    # a new one, when the server is this shell's own. A server someone
    # else started is theirs to end.
    if [ -n "${PELMORA_STARTED_WINESERVER:-}" ]; then
      wineserver -k </dev/null >/dev/null 2>&1 || true
      wineserver -w </dev/null >/dev/null 2>&1 || true
      PELMORA_STARTED_WINESERVER=
      pelmora_wineserver_start || return 1
    else
      echo "wine-env: the prefix's new settings apply once its running wineserver, not started here, ends" >&2
    fi
  fi
  pelmora_wine_warm_up
}

# Ends what this shell's pelmora_wine_start started, nothing else: a display
# or server that was already running stays for whoever started it.
pelmora_wine_stop() {
  if [ -n "${PELMORA_STARTED_WINESERVER:-}" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    PELMORA_STARTED_WINESERVER=
  fi
  if [ -n "${PELMORA_STARTED_XVFB:-}" ]; then
    kill "$PELMORA_STARTED_XVFB" 2>/dev/null || true
    wait "$PELMORA_STARTED_XVFB" 2>/dev/null || true
    PELMORA_STARTED_XVFB=
  fi
}
