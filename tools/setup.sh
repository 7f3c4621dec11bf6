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
          clang libclang-rt-14-dev ccache cmark-gfm dpkg-dev)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
else
  updated=1
fi
# The Windows build compiles the MP3 encoder from Debian's source package:
# the source lists must be there for `apt-get source lame`.
src_list=/etc/apt/sources.list.d/sondrel-debian-src.sources
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  cat > "$src_list" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  updated=0
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
