#!/usr/bin/env bash
# Installs what building and testing Sondrel needs on Debian 12 (run as root).
# Idempotent: installs only what is missing and says nothing when all is there.
#
# Both Windows builds are always compiled. The 64-bit Wine runs everywhere;
# the 32-bit Wine is installed only where this machine runs 32-bit programs
# (tools/arch-probe.sh runs one to find out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=arch-probe.sh
source "$root/tools/arch-probe.sh"

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 libasound2-plugins xvfb xauth imagemagick
          sox lame mpg123 libgsm-tools pulseaudio pulseaudio-utils espeak-ng
          clang libclang-rt-14-dev ccache cmark-gfm dpkg-dev pkg-config
          libflac-dev libvorbis-dev libogg-dev libopus-dev libopusfile-dev libopusenc-dev
          flac vorbis-tools opus-tools)

updated=1
if sondrel_runs_32bit; then
  packages+=(wine32:i386 libasound2-plugins:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
fi

# The Windows builds compile the MP3 encoder and the codec libraries (FLAC,
# Ogg Vorbis, Opus) from Debian's source packages: `apt-get source` needs
# deb-src entries. They are derived from this
# machine's own binary entries for the release (same archive, mirror, keys),
# so nothing here names a package server.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
src_list=/etc/apt/sources.list.d/sondrel-debian-src.list
derive_src_entries() {
  # One-line entries: "deb [options] URI SUITE COMPONENTS..."
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$f" != "$src_list" ] || continue
    awk -v c="$codename" '
      $1 == "deb" {
        i = 2; opts = ""
        if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) { opts = opts $i " "; i++ } opts = opts $i " "; i++ }
        uri = $i; suite = $(i + 1)
        if (suite != c && suite != c "-updates") next
        line = "deb-src " opts uri " " suite
        for (j = i + 2; j <= NF && $j !~ /^#/; j++) line = line " " $j
        print line
      }' "$f"
  done
  # deb822 stanzas: Types/URIs/Suites/Components/Signed-By, blank-line separated.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v c="$codename" '
      function flush(   n, u, s, us, ss, k, m, opt) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
          opt = (signed != "") ? "[signed-by=" signed "] " : ""
          n = split(uris, us, " "); m = split(suites, ss, " ")
          for (u = 1; u <= n; u++) for (s = 1; s <= m; s++)
            if (ss[s] == c || ss[s] == c "-updates") print "deb-src " opt us[u] " " ss[s] " " comps
        }
        types = uris = suites = comps = signed = enabled = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^[[:space:]]*#/ { next }
      { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
        if (key == "types") types = $0; else if (key == "uris") uris = $0
        else if (key == "suites") suites = $0; else if (key == "components") comps = $0
        else if (key == "signed-by") signed = $0; else if (key == "enabled") enabled = tolower($0) }
      END { flush() }' "$f"
  done
}
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  entries=$(derive_src_entries | sort -u)
  if [ -z "$entries" ]; then
    echo "setup: no Debian '$codename' entry in this machine's package sources to derive a deb-src entry from;" >&2
    echo "setup: add a deb-src entry for '$codename' (needed by 'apt-get source lame')" >&2
    exit 1
  fi
  printf '# Source entries derived from this machine'"'"'s binary entries (tools/setup.sh).\n%s\n' \
    "$entries" >"$src_list"
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
