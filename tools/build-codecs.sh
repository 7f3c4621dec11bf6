#!/usr/bin/env bash
# Builds the codec libraries the Windows programs link statically (libogg,
# libvorbis with vorbisfile and vorbisenc, libFLAC, libopus, opusfile,
# libopusenc) from Debian's source packages with the mingw-w64 compiler for
# CPU (i686 or x86_64). Only the libraries are built: no programs, documents,
# examples or tests, no network code in opusfile.
# The sources are fetched into WORKDIR (inside the build folder, never into
# the repository) and built once; a later run finds WORKDIR/prefix/.done and
# does nothing. Headers and static libraries end up in WORKDIR/prefix.
#   usage: tools/build-codecs.sh CPU WORKDIR [PACKAGE...]
# With packages named, builds those again (whether or not all were built).
# Needs a deb-src entry for Debian's archive (tools/setup.sh adds one).
set -euo pipefail
cpu=$1 work=$2
shift 2
only=("$@")
case $cpu in i686|x86_64) ;; *) echo "build-codecs: unknown processor '$cpu'" >&2; exit 2 ;; esac
prefix="$work/prefix"
[ ${#only[@]} -eq 0 ] && [ -f "$prefix/.done" ] && exit 0
mkdir -p "$work/src" "$prefix"
cd "$work"
start=$(date +%s)

host="$cpu-w64-mingw32"
export CC="$host-gcc-posix" AR="$host-ar" RANLIB="$host-ranlib"
# Our own flags only: no stack protector and no fortified string calls
# (both would need libssp at link time; a defined _FORTIFY_SOURCE also
# keeps the packages' configure scripts from adding theirs), optimised as
# Debian builds them.
export CFLAGS="-O2 -g0" CPPFLAGS="-I$prefix/include -D_FORTIFY_SOURCE=0" LDFLAGS="-L$prefix/lib"
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
jobs=$(nproc)

# Fetches Debian source package $1 into src/$1 (with Debian's patches applied).
fetch() {
  local pkg=$1 dir
  [ -f "src/$pkg/configure" ] && return 0
  rm -rf "src/$pkg" fetch
  mkdir fetch
  if ! (cd fetch && apt-get source -qq "$pkg" >/dev/null 2>fetch.log); then
    # The source lists may be older than the deb-src entry.
    apt-get update -qq >/dev/null 2>&1 || true
    (cd fetch && apt-get source -qq "$pkg" >/dev/null 2>fetch.log) ||
      { cat fetch/fetch.log >&2
        echo "build-codecs: 'apt-get source $pkg' failed; run tools/setup.sh (it adds the deb-src entry)" >&2
        exit 1; }
  fi
  dir=$(find fetch -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$dir" ] || { echo "build-codecs: no unpacked source of $pkg" >&2; exit 1; }
  mv "$dir" "src/$pkg"
  rm -rf fetch
  [ -f "src/$pkg/configure" ] || { echo "build-codecs: $pkg has no configure script" >&2; exit 1; }
}

# Configures, builds and installs source package $1 with the options after it.
build() {
  local pkg=$1; shift
  if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $pkg "* ]]; then return 0; fi
  fetch "$pkg"
  (
    cd "src/$pkg"
    # Debian's patches may leave autotools inputs newer than their outputs;
    # the shipped outputs are what we build from.
    find . -name 'aclocal.m4' -o -name 'configure' -o -name 'Makefile.in' -o -name 'config.h.in' |
      xargs -r touch
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static \
      --disable-dependency-tracking "$@" >configure.log 2>&1 ||
      { tail -n 30 configure.log >&2; echo "build-codecs: configure of $pkg failed" >&2; exit 1; }
    make -j"$jobs" >make.log 2>&1 ||
      { tail -n 30 make.log >&2; echo "build-codecs: make of $pkg failed" >&2; exit 1; }
    make install >install.log 2>&1 ||
      { tail -n 30 install.log >&2; echo "build-codecs: install of $pkg failed" >&2; exit 1; }
  )
}

# Runs the builds given as "package options..." side by side (a configure
# script is one process at a time); fails when one of them failed.
together() {
  local pids=() job ok=0
  for job in "$@"; do
    # shellcheck disable=SC2086
    build $job &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p" || ok=1; done
  return $ok
}

# Only the library folders are built where a package lets us say so. The
# fetches come first, one at a time (apt-get locks its lists); then the
# three packages that need nothing else, then the three that need those.
for p in libogg flac opus libvorbis opusfile libopusenc; do
  if [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $p "* ]]; then fetch "$p"; fi
done
together "libogg" \
  "flac --disable-programs --disable-examples --disable-cpplibs --disable-ogg --disable-doxygen-docs
        --disable-xmms-plugin --disable-oggtest --disable-stack-smash-protection --disable-rpath" \
  "opus --disable-doc --disable-extra-programs --disable-stack-protector"
together "libvorbis --disable-docs --disable-examples --disable-oggtest" \
  "opusfile --disable-http --disable-examples --disable-doc" \
  "libopusenc --disable-examples --disable-doc"

echo "build-codecs: $cpu libraries built in $(( $(date +%s) - start )) s" >&2
[ ${#only[@]} -gt 0 ] || touch "$prefix/.done"
