#!/usr/bin/env bash
# Builds the release package an administrator downloads:
#   build/package/Pelmora-<version>.zip
# with one folder Pelmora-<version> inside: the 32-bit Pelmora.exe, the
# installation media of the win32 build (the nine family folders, plugin,
# Bin\tvcert1.cer, Bin\i386\DIFxCmd.exe and Bin\amd64\DIFxCmd.exe), a sample
# Pelmora.ini, README.txt for administrators, and Tessaly\ with the 32-bit
# Tessaly.exe and tesshook.dll.
#
# Beside it, the Windows Installer package build/package/Pelmora-<version>.msi
# (tools/package/Pelmora.wxs, built with wixl) with the same files and its
# custom actions' PelmoraAction.dll, which installs the printer when the
# package is given CONNECTION (see the .wxs).
#
# Signing: given a code-signing certificate, every program of the package
# (Pelmora.exe, Tessaly.exe, tesshook.dll, both DIFxCmd.exe, Cardplug.dll,
# PelmoraAction.dll) is signed with Authenticode before it goes into the zip
# and the MSI, and then the MSI itself (osslsigncode). Without one, the files
# stay unsigned.
#
#   scripts/package.sh [--cert CERT.pem --key KEY.pem [--pass-file FILE]]
#                      [--timestamp URL] [--version VERSION] [--build PRESET]
#                      [--help-url URL] [--about-url URL]
#
# CERT.pem holds the certificate and its chain, KEY.pem its private key (the
# pass phrase, if any, in --pass-file). --version gives the package another
# version than CMakeLists.txt's (for upgrade tests). --help-url and
# --about-url are the maker's support and product pages, the links of the
# package's entry in Programs and Features (none without them). --build
# win64 packages the x86_64 programs instead (a test package for Wine,
# which runs 64-bit programs only; the release is win32), into
# build/package-win64.
#
# Builds the win32 preset (which builds the x86_64 DIFxCmd.exe too) and
# OpenSSL for i686 when it is not cached; installs what packaging needs
# (scripts/install-deps.sh package) when run as root. The line before the last of
# its output is the MSI's path, the last line the zip's path.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
jobs=${PELMORA_JOBS:-2}

cert= key= pass_file= timestamp= version= preset=win32 help_url= about_url=
while [ $# -gt 0 ]; do
  case $1 in
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --version) version=${2:?}; shift 2 ;;
    --build) preset=${2:?}; shift 2 ;;
    --help-url) help_url=${2:?}; shift 2 ;;
    --about-url) about_url=${2:?}; shift 2 ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
  echo "package: --cert and --key go together" >&2
  exit 2
fi

bash scripts/install-deps.sh package

[ -n "$version" ] ||
  version=$(sed -n 's/^project(Pelmora VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }

case $preset in
  win32) bash scripts/build-openssl-mingw.sh i686; out=$root/build/package ;;
  win64) bash scripts/build-openssl-mingw.sh x86_64; out=$root/build/package-win64 ;;
  *) echo "package: --build is win32 or win64" >&2; exit 2 ;;
esac
if [ "$preset" = win64 ]; then
  # The test command's win64 tree, as it was configured there.
  [ -f "$root/build/win64/CMakeCache.txt" ] ||
    cmake --preset win64 -DPELMORA_HOST_BUILD_DIR="$root/build/host"
else
  cmake --preset win32
fi
cmake --build --preset "$preset" -j "$jobs"

build=$root/build/$preset
name=Pelmora-$version
tree=$out/$name
rm -rf "$tree" "$out/$name.zip"
mkdir -p "$tree/Tessaly"

# Windows' own line ends for the two texts an administrator opens in Notepad.
crlf() { sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"; }

cp "$build/installer/Pelmora.exe" "$tree/Pelmora.exe"
cp -r "$build/media/." "$tree/"
unholdable=$(bash scripts/unholdable-names.sh "$tree")
if [ -n "$unholdable" ]; then
  echo "package: names Windows cannot hold (a media folder left by an older build?): $unholdable" >&2
  exit 1
fi
crlf tools/package/Pelmora.ini "$tree/Pelmora.ini"
crlf tools/package/README.txt "$tree/README.txt"
cp "$build/monitor/Tessaly.exe" "$build/tools/tesshook/tesshook.dll" "$tree/Tessaly/"
# The package's custom actions: in the MSI only, beside the folder.
action=$out/PelmoraAction.dll
cp "$build/installer/PelmoraAction.dll" "$action"

# Authenticode: each program in place, so the zip and the MSI carry the
# signed files.
sign() {
  local file=$1 args=(sign -certs "$cert" -key "$key" -h sha256
    -n "Card Printer Driver Installer")
  [ -n "$pass_file" ] && args+=(-readpass "$pass_file")
  [ -n "$timestamp" ] && args+=(-ts "$timestamp")
  osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
}
if [ -n "$cert" ]; then
  for program in Pelmora.exe Tessaly/Tessaly.exe Tessaly/tesshook.dll \
    Bin/i386/DIFxCmd.exe Bin/amd64/DIFxCmd.exe plugin/Cardplug.dll; do
    sign "$tree/$program"
  done
  sign "$action"
fi

# -X: no Unix owners and times beyond the plain ones; the entries in a fixed
# order, so the same build gives the same listing.
(cd "$out" && find "$name" -print | LC_ALL=C sort | zip -q -X -@ "$name.zip")

# The MSI from the same folder: the media's files are listed from the folder
# itself, so wixl sees exactly what the zip holds.
msi=$out/$name.msi
rm -f "$msi" "$out/media.wxs"
(cd "$tree" && find . -mindepth 2 -type f ! -path './Tessaly/*' -printf '%P\n' | LC_ALL=C sort |
  wixl-heat --prefix "" --directory-ref INSTALLDIR --component-group Media --var var.PackageDir) \
  >"$out/media.wxs"
marker_view64=no
[ "$preset" = win64 ] && marker_view64=yes
(cd "$tree" && wixl -D Version="$version" -D PackageDir=. -D ActionDll=../PelmoraAction.dll \
  -D MarkerView64=$marker_view64 \
  -o "$msi" "$root/tools/package/Pelmora.wxs" "$out/media.wxs" 2>"$out/wixl.log") ||
  { cat "$out/wixl.log" >&2; exit 1; }
# wixl has no AllowSameVersionUpgrades: the same version built again must
# replace the one installed, not go beside it, so the upgrade's detection
# takes its maximum version in (msidbUpgradeAttributesVersionMaxInclusive,
# 512, beside wixl's MigrateFeatures, 1).
msiinfo export "$msi" Upgrade | sed 's/\t1\t\tWIX_UPGRADE_DETECTED/\t513\t\tWIX_UPGRADE_DETECTED/' \
  >"$out/Upgrade.idt"
(cd "$out" && msibuild "$msi" -i Upgrade.idt)
msiinfo export "$msi" Upgrade | grep -P '\t513\t\tWIX_UPGRADE_DETECTED' >/dev/null ||
  { echo "package: the upgrade does not take the same version in" >&2; exit 1; }
# The entry's links: rows of the Property table (wixl takes no property
# from outside its source).
if [ -n "$help_url$about_url" ]; then
  msiinfo export "$msi" Property >"$out/Property.idt"
  [ -n "$help_url" ] && printf 'ARPHELPLINK\t%s\r\n' "$help_url" >>"$out/Property.idt"
  [ -n "$about_url" ] && printf 'ARPURLINFOABOUT\t%s\r\n' "$about_url" >>"$out/Property.idt"
  (cd "$out" && msibuild "$msi" -i Property.idt)
fi
[ -n "$cert" ] && sign "$msi"
echo "$msi"
echo "$out/$name.zip"
