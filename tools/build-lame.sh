#!/usr/bin/env bash
# Builds the MP3 encoder program the editor runs, lame.exe, from Debian's
# `lame` source package with the mingw-w64 compiler for CPU (i686 or x86_64;
# static, no DLLs).
# The source is fetched into WORKDIR (inside the build folder, never into
# the repository) and built once; later runs only copy the result.
#   usage: tools/build-lame.sh CPU WORKDIR OUTPUT_EXE
# Needs a deb-src entry for Debian's archive (tools/setup.sh adds one).
set -euo pipefail
cpu=$1 work=$2 out=$3
case $cpu in i686|x86_64) ;; *) echo "build-lame: unknown processor '$cpu'" >&2; exit 2 ;; esac
mkdir -p "$work" "$(dirname "$out")"
cd "$work"
exe="$work/src/frontend/lame.exe"

if [ ! -x "$exe" ]; then
  if [ ! -f src/configure ]; then
    rm -rf fetch src
    mkdir fetch
    fetch() { (cd fetch && apt-get source -qq lame >/dev/null 2>fetch.log); }
    if ! fetch; then
      # The source lists may be older than the deb-src entry.
      apt-get update -qq >/dev/null 2>&1 || true
      fetch || { cat fetch/fetch.log >&2
                 echo "build-lame: 'apt-get source lame' failed; run tools/setup.sh (it adds the deb-src entry)" >&2
                 exit 1; }
    fi
    dir=$(find fetch -mindepth 1 -maxdepth 1 -type d -name 'lame-*' | head -n 1)
    [ -n "$dir" ] || { echo "build-lame: no unpacked source in $work/fetch" >&2; exit 1; }
    mv "$dir" src
    rm -rf fetch
  fi
  cd src
  if [ ! -f Makefile ]; then
    ./configure --host="$cpu-w64-mingw32" CC="$cpu-w64-mingw32-gcc-posix" \
      --disable-shared --enable-static --disable-decoder --disable-gtktest \
      --disable-dependency-tracking LDFLAGS=-static >configure.log 2>&1 ||
      { tail -n 30 configure.log >&2; echo "build-lame: configure failed" >&2; exit 1; }
  fi
  make -j"$(nproc)" >make.log 2>&1 || { tail -n 30 make.log >&2; echo "build-lame: make failed" >&2; exit 1; }
  [ -x "$exe" ] || { echo "build-lame: make gave no frontend/lame.exe" >&2; exit 1; }
fi
"$cpu-w64-mingw32-strip" -o "$out.part" "$exe"
mv "$out.part" "$out"
