#!/bin/bash
# tesshook.dll under Wine: a click posts the registered message to the window
# given to setMyHook, and none after clearMyHook.
#   tesshook.sh WINDOW_DRIVER E2E_SEED PROBE_EXE TESSHOOK_DLL
set -u
probe=$3
dll=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The probe imports the library from its own folder.
cp "$probe" "$dll" "$dir/"
out=$(cd "$dir" && wine64 "$(basename "$probe")" </dev/null 2>/dev/null)
status=$?
out=${out//$'\r'/}
echo "tesshook: $out"
exit $status
