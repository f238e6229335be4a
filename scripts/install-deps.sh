#!/usr/bin/env bash
# The one list of the Debian packages the builds, tests, demo, Wine set-up,
# fuzzing and packaging need; installs the missing ones with apt-get.
#
#   scripts/install-deps.sh [GROUP...]      (no group: every group)
#
# Groups:
#   build    compilers (host and mingw-w64), CMake, Ninja, GoogleTest, Google
#            Benchmark, OpenSSL, and what building OpenSSL from Debian's
#            source package needs (dpkg-dev)
#   wine     wine64, the virtual display, the fonts Wine draws dialogs with
#            (Wine's own, Liberation for the Windows faces, Noto Sans CJK for
#            Hangul, kana and Chinese, DejaVu for Persian), ImageMagick for
#            screenshots
#   network  the private network namespaces of the network tests (ip)
#   fuzz     clang and its libFuzzer and sanitizer run-time
#   format   clang-format, for the style check
#   package  zip, wixl and msitools for the MSI, osslsigncode for signing
#   demo     what scripts/demo.sh needs: build, wine and network
#
# Nothing is installed when nothing is missing; a missing package without root
# is an error that names the packages.
set -euo pipefail

group_packages() {
  case $1 in
    build)
      echo cmake ninja-build g++ python3 pkg-config googletest libgtest-dev libgmock-dev \
        libbenchmark-dev libssl-dev openssl mingw-w64 g++-mingw-w64-x86-64-posix \
        g++-mingw-w64-i686-posix dpkg-dev
      ;;
    wine)
      echo wine wine64 xvfb xauth x11-utils fonts-wine fonts-liberation2 fonts-noto-cjk \
        fonts-dejavu-core imagemagick
      ;;
    network) echo iproute2 ;;
    fuzz) echo clang libclang-rt-dev ;;
    format) echo clang-format ;;
    package) echo zip unzip wixl msitools osslsigncode openssl ;;
    demo) group_packages build && group_packages wine && group_packages network ;;
    *)
      echo "install-deps: unknown group $1 (build, wine, network, fuzz, format, package, demo)" >&2
      return 1
      ;;
  esac
}

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build wine network fuzz format package)

packages=()
for group in "${groups[@]}"; do
  list=$(group_packages "$group") || exit 2
  read -r -a words <<<"$(tr '\n' ' ' <<<"$list")"
  packages+=("${words[@]}")
done

missing=()
for p in "${packages[@]}"; do
  case " ${missing[*]:-} " in *" $p "*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing ${missing[*]}; run as root, or: apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
