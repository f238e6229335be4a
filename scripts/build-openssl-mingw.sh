#!/usr/bin/env bash
# Builds static OpenSSL libraries for the mingw-w64 targets from Debian's own
# source package, once, and keeps them outside the checkout:
#   $PELMORA_CACHE/openssl/<version>-<options>/<arch>/{include,lib}
# and a symlink $PELMORA_CACHE/openssl/current-<arch> to the newest build.
# <options> is a short digest of the configuration below: a changed
# configuration builds anew beside the old one.
# Usage: build-openssl-mingw.sh x86_64|i686 ...
# Given more than one architecture, it fetches the source once and builds
# them side by side.
set -euo pipefail
cache=${PELMORA_CACHE:-/var/cache/pelmora}
mkdir -p "$cache/openssl"

# Only libcrypto and libssl, with what the administration channel needs: TLS
# 1.0 with the anonymous suite ADH-AES128-SHA (finite-field Diffie-Hellman,
# AES, SHA-1), beside what a client context sets up by default (RSA and X.509
# for the library's own tables, TLS 1.2 and 1.3). No programs, engines,
# modules, DTLS, elliptic curves, and none of the algorithms no suite of the
# channel uses. -O0: the channel moves a few hundred bytes once per printer,
# and one architecture builds in 1 min 26 s on two cores (2 min 7 s at -O1).
openssl_options=(no-shared no-tests no-module no-legacy no-engine no-dso no-dynamic-engine
  no-capieng no-padlockeng no-afalgeng no-ui-console no-autoload-config no-async no-cms no-cmp
  no-ct no-ocsp no-ts no-srp no-srtp no-psk no-rfc3779 no-comp no-dtls no-ssl3 no-nextprotoneg
  no-multiblock no-ssl-trace no-gost no-ec no-ec2m no-sm2 no-sm3 no-sm4 no-aria no-bf no-blake2
  no-camellia no-cast no-chacha no-poly1305 no-des no-dsa no-idea no-md4 no-mdc2 no-ocb no-rc2
  no-rc4 no-rmd160 no-scrypt no-seed no-siphash no-siv no-whirlpool enable-weak-ssl-ciphers)
openssl_cflags="-O0"
options_id=$(printf '%s\n' "${openssl_options[@]}" "$openssl_cflags" "libs-only" | sha256sum | cut -c1-8)

ensure_source() {
  if ! grep -rqs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null &&
     ! grep -rqs 'Types:.*deb-src' /etc/apt/sources.list.d/ 2>/dev/null; then
    # Mirror every binary entry as a source entry.
    echo "build-openssl-mingw: adding deb-src entries for the apt sources, to fetch OpenSSL's source package" >&2
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/pelmora-src.sources
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
        > /etc/apt/sources.list.d/pelmora-src.list
    fi
    apt-get update -qq
  fi
}

# apt-get source may fail for one listed version (the archive can lag behind
# its index); try each listed version, and fall back to the upstream tarball
# that the failed attempt already downloaded.
fetch_source() {
  local dir=$1 v
  for v in $(apt-cache showsrc openssl | awk '/^Version:/{print $2}' | sort -rV); do
    if (cd "$dir" && apt-get source -qq "openssl=$v" >/dev/null 2>&1); then return 0; fi
  done
  local tarball
  tarball=$(ls "$dir"/openssl_*.orig.tar.gz 2>/dev/null | sort -V | tail -n1)
  if [ -n "$tarball" ]; then
    tar -xzf "$tarball" -C "$dir"
    return 0
  fi
  return 1
}

version=$(dpkg-query -W -f='${Version}' libssl-dev 2>/dev/null || true)
[ -n "$version" ] || version=$(apt-cache policy libssl-dev | awk '/Candidate:/{print $2}')
version=${version//[:~]/_}

# Configures and builds one architecture in a folder of its own beside the
# shared source, and installs the headers and the two libraries.
build_arch() {
  local arch=$1 src=$2 dest=$3 target extra=() build
  case $arch in
    x86_64) target=mingw64 ;;
    # The 32-bit assembler modules use ELF-only relocations with the mingw
    # assembler; the C versions are fine for a TLS channel.
    i686) target=mingw; extra=(no-asm) ;;
  esac
  build=$src/../build-$arch
  mkdir -p "$build"
  (
    cd "$build"
    CFLAGS=$openssl_cflags "$src/Configure" "$target" --cross-compile-prefix="$arch-w64-mingw32-" \
      --prefix="$dest" --libdir=lib "${openssl_options[@]}" "${extra[@]}" >configure.log 2>&1 ||
      { cat configure.log >&2; exit 1; }
    # Only the two libraries: build_libs would also build the programs'
    # helper library.
    { make -j"$(nproc)" build_generated && make -j"$(nproc)" libcrypto.a libssl.a; } >make.log 2>&1 ||
      { grep -E 'error|Error' make.log | head -n 40 >&2; exit 1; }
    rm -rf "$dest"
    mkdir -p "$dest/include/openssl" "$dest/lib"
    cp "$src"/include/openssl/*.h include/openssl/*.h "$dest/include/openssl/"
    cp libcrypto.a libssl.a "$dest/lib/"
  )
}

wanted=()
for arch in "$@"; do
  case $arch in
    x86_64 | i686) ;;
    *) echo "unknown architecture $arch" >&2; exit 2 ;;
  esac
  dest="$cache/openssl/$version-$options_id/$arch"
  if [ -f "$dest/.complete" ]; then
    ln -sfn "$dest" "$cache/openssl/current-$arch"
    echo "OpenSSL $version for $arch: cached in $dest"
  else
    wanted+=("$arch")
  fi
done
[ ${#wanted[@]} -gt 0 ] || exit 0

ensure_source
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fetch_source "$work" || { echo "no OpenSSL source could be fetched" >&2; exit 1; }
src=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n1)
[ -n "$src" ] || { echo "no OpenSSL source could be fetched" >&2; exit 1; }

pids=()
for arch in "${wanted[@]}"; do
  build_arch "$arch" "$src" "$cache/openssl/$version-$options_id/$arch" &
  pids+=($!)
done
status=0
for i in "${!wanted[@]}"; do
  arch=${wanted[$i]}
  dest="$cache/openssl/$version-$options_id/$arch"
  if wait "${pids[$i]}"; then
    touch "$dest/.complete"
    ln -sfn "$dest" "$cache/openssl/current-$arch"
    echo "OpenSSL $version for $arch: built into $dest"
  else
    echo "OpenSSL $version for $arch: the build failed" >&2
    status=1
  fi
done
exit "$status"
