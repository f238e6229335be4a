#!/usr/bin/env bash
# Unpacks the release package and checks what an administrator gets: one
# folder Pelmora-<version> with the installer, its settings and text, the
# monitor, and the installation media as the installer looks for them; every
# program built for the machine its folder calls for (pe_machines.py); and
# that this check notices programs in the wrong folder or cut short.
#
#   package_test.sh ZIP
set -u
zip=$1
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$zip" .zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The files (or folders) below a folder, relative to it, sorted, one a line.
listing() { (cd "$1" && find . -mindepth 1 "${@:2}" -printf '%P\n' | LC_ALL=C sort); }

unzip -q "$zip" -d "$work" || { echo "FAIL: $zip does not unpack"; exit 1; }
top=$work/$name
[ "$(listing "$work" -maxdepth 1)" = "$name" ] || fail "the zip holds more than $name: $(listing "$work" -maxdepth 1 | tr '\n' ' ')"
[ -d "$top" ] || { echo "FAIL: no folder $name in the zip"; exit 1; }

families=(ZELKO K2100-K2200 Tavrin DX450 KORVEN CardPRN TMX410D MARLO QEL)
expected_top=$(printf '%s\n' "${families[@]}" Bin Pelmora.exe Pelmora.ini README.txt Tessaly plugin | LC_ALL=C sort)
actual_top=$(listing "$top" -maxdepth 1)
[ "$actual_top" = "$expected_top" ] || fail "top folder: $(diff <(echo "$expected_top") <(echo "$actual_top") | grep '^[<>]' | tr '\n' ' ')"
for family in "${families[@]}"; do
  [ -s "$top/$family/$family.inf" ] || fail "no $family\\$family.inf"
done
[ "$(listing "$top/Bin" -type f)" = "$(printf '%s\n' amd64/DIFxCmd.exe i386/DIFxCmd.exe tvcert1.cer)" ] ||
  fail "Bin: $(listing "$top/Bin" -type f | tr '\n' ' ')"
[ "$(listing "$top/plugin")" = "$(printf '%s\n' Cardplug.dll Cardplug.ini)" ] ||
  fail "plugin: $(listing "$top/plugin" | tr '\n' ' ')"
[ "$(listing "$top/Tessaly")" = "$(printf '%s\n' Tessaly.exe tesshook.dll)" ] ||
  fail "Tessaly: $(listing "$top/Tessaly" | tr '\n' ' ')"
# Windows folds letter case: two names that differ only in case would be
# one file there ("bin" and "Bin" are one folder).
clashes=$(listing "$top" | tr '[:upper:]' '[:lower:]' | uniq -d)
[ -z "$clashes" ] || fail "names that are one on Windows: $clashes"
# Nor can Windows hold a name that ends in a space or a dot, or a device
# name (CON, PRN, AUX, NUL, COM1-9, LPT1-9) with or without an extension.
unholdable=$(bash "$here/../../scripts/unholdable-names.sh" "$top")
[ -z "$unholdable" ] || fail "names Windows cannot hold: $unholdable"
openssl x509 -inform DER -noout -in "$top/Bin/tvcert1.cer" 2>/dev/null ||
  fail "Bin\\tvcert1.cer is no DER certificate"
# The installer reads each key only at the very start of a line.
for key in LANGUAGE MODEL; do
  [ "$(grep -c "^$key: [0-9]*"$'\r'"\$" "$top/Pelmora.ini")" = 1 ] ||
    fail "Pelmora.ini has no single \"$key:\" line with a number"
done

out=$(python3 "$here/pe_machines.py" "$top"); code=$?
[ "$code" -eq 0 ] || fail "program machines: $out"
case $out in *"6 program file(s), 0 wrong"*) ;; *) fail "expected 6 programs: $out" ;; esac

# The check itself: the two DIFxCmd builds swapped, an installer cut after
# its DOS header, and a monitor whose Terminal-Server-aware flag is cleared.
bad=$work/bad
cp -r "$top" "$bad"
cp "$top/Bin/i386/DIFxCmd.exe" "$bad/Bin/amd64/DIFxCmd.exe"
cp "$top/Bin/amd64/DIFxCmd.exe" "$bad/Bin/i386/DIFxCmd.exe"
head -c 64 "$top/Pelmora.exe" >"$bad/Pelmora.exe"
python3 - "$bad/Tessaly/Tessaly.exe" <<'EOF'
import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(0x3C)
    at = int.from_bytes(f.read(4), "little") + 24 + 70
    f.seek(at)
    flags = int.from_bytes(f.read(2), "little") & ~0x8000
    f.seek(at)
    f.write(flags.to_bytes(2, "little"))
EOF
mkdir -p "$bad/PRN" "$bad/Generic/ "
touch "$bad/Generic/lpt1.ini"
[ "$(bash "$here/../../scripts/unholdable-names.sh" "$bad" | tr '\n' ' ')" = "Generic/  Generic/lpt1.ini PRN " ] ||
  fail "names Windows cannot hold not seen: $(bash "$here/../../scripts/unholdable-names.sh" "$bad")"
out=$(python3 "$here/pe_machines.py" "$bad"); code=$?
[ "$code" -eq 1 ] || fail "the doctored package passed the machine check ($code)"
grep -q '^WRONG Bin/amd64/DIFxCmd.exe: machine 0x014c' <<<"$out" || fail "i386 tool in Bin\\amd64 not seen: $out"
grep -q '^WRONG Bin/i386/DIFxCmd.exe: machine 0x8664' <<<"$out" || fail "x86-64 tool in Bin\\i386 not seen: $out"
grep -q '^WRONG Pelmora.exe: the PE header.s offset .* beyond' <<<"$out" || fail "cut Pelmora.exe not seen: $out"
grep -q '^WRONG Tessaly/Tessaly.exe: not Terminal-Server-aware' <<<"$out" ||
  fail "Tessaly.exe without the Terminal-Server-aware flag not seen: $out"

if [ "$failures" -eq 0 ]; then echo "package: passed"; exit 0; fi
echo "package: $failures failed"
exit 1
