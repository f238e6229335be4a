#!/usr/bin/env bash
# Installs what the builds and tests need, with apt-get, when it is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3 pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 xvfb xauth x11-utils imagemagick iproute2 dpkg-dev
  fonts-noto-cjk fonts-dejavu-core
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
