#!/usr/bin/env bash
# Builds static OpenSSL libraries for the mingw-w64 targets from Debian's own
# source package, once, and keeps them outside the checkout:
#   $PELMORA_CACHE/openssl/<version>/<arch>/{include,lib}
# and a symlink $PELMORA_CACHE/openssl/current-<arch> to the newest build.
# Usage: build-openssl-mingw.sh x86_64|i686 ...
set -euo pipefail
cache=${PELMORA_CACHE:-/var/cache/pelmora}
mkdir -p "$cache/openssl"

ensure_source() {
  if ! grep -rqs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null &&
     ! grep -rqs 'Types:.*deb-src' /etc/apt/sources.list.d/ 2>/dev/null; then
    # Mirror every binary entry as a source entry.
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

for arch in "$@"; do
  dest="$cache/openssl/$version/$arch"
  if [ -f "$dest/.complete" ]; then
    ln -sfn "$dest" "$cache/openssl/current-$arch"
    echo "OpenSSL $version for $arch: cached in $dest"
    continue
  fi
  ensure_source
  work=$(mktemp -d)
  fetch_source "$work"
  src=$(find "$work" -maxdepth 1 -type d -name 'openssl-*' | head -n1)
  [ -n "$src" ] || { echo "no OpenSSL source could be fetched" >&2; exit 1; }
  case $arch in
    x86_64) target=mingw64; extra="" ;;
    # The 32-bit assembler modules use ELF-only relocations with the mingw
    # assembler; the C versions are fine for a TLS channel.
    i686) target=mingw; extra="no-asm" ;;
    *) echo "unknown architecture $arch" >&2; exit 2 ;;
  esac
  (
    cd "$src"
    ./Configure "$target" --cross-compile-prefix="$arch-w64-mingw32-" \
      --prefix="$dest" --libdir=lib no-shared no-tests \
      enable-weak-ssl-ciphers $extra >/dev/null
    make -j"$(nproc)" build_libs >/dev/null
    make install_dev >/dev/null
  )
  touch "$dest/.complete"
  ln -sfn "$dest" "$cache/openssl/current-$arch"
  rm -rf "$work"
  echo "OpenSSL $version for $arch: built into $dest"
done
