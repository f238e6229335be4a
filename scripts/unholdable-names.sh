#!/usr/bin/env bash
# Lists the paths below FOLDER whose last name Windows cannot hold: ending
# in a space or a dot, or a device name (CON, PRN, AUX, NUL, COM1-9,
# LPT1-9) alone or with an extension. Nothing when every name is fine.
#
#   scripts/unholdable-names.sh FOLDER
set -uo pipefail
cd "${1:?FOLDER}" || exit 2
find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort |
  grep -aiE '(^|/)((con|prn|aux|nul|com[1-9]|lpt[1-9]) *(\.[^/]*)?|[^/]*[ .])$' || true
