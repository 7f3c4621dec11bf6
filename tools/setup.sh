#!/usr/bin/env bash
# Installs what building and testing Sondrel needs on Debian 12 (run as root).
# Idempotent: installs only what is missing and says nothing when all is there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          wine wine32:i386 xvfb xauth imagemagick
          sox lame mpg123 libgsm-tools pulseaudio pulseaudio-utils espeak-ng
          libasound2-plugins:i386
          clang libclang-rt-14-dev ccache cmark-gfm)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
else
  updated=1
fi
for p in "${packages[@]}"; do
  have_pkg "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ] || [ "$updated" = 0 ]; then
  echo "setup: installing ${need[*]:-package lists}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#need[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  fi
fi
