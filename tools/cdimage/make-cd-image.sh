#!/usr/bin/env bash
# Makes an audio CD image (.cue and .bin) from audio files, one track each,
# for the ASPI test double (tools/aspidouble/AspiDouble.h).
#   usage: make-cd-image.sh OUT.cue AUDIO... 
# sox converts each file to 44.1 kHz 16-bit little-endian stereo; each track
# is padded with silence to whole 2352-byte sectors and starts where the one
# before ends. Prints each track's first sector and length in sectors.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 OUT.cue AUDIO..." >&2; exit 2; }
cue=$1; shift
bin=${cue%.cue}.bin
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
: > "$bin"
{
  echo "FILE \"$(basename "$bin")\" BINARY"
  start=0 n=0
  for audio in "$@"; do
    n=$((n + 1))
    sox "$audio" -t raw -r 44100 -e signed-integer -b 16 -c 2 -L "$tmp"
    bytes=$(stat -c %s "$tmp")
    sectors=$(( (bytes + 2351) / 2352 ))
    cat "$tmp" >> "$bin"
    pad=$(( sectors * 2352 - bytes ))
    [ "$pad" -eq 0 ] || head -c "$pad" /dev/zero >> "$bin"
    printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n' "$n" \
      $((start / 4500)) $((start / 75 % 60)) $((start % 75))
    echo "track $n: first sector $start, $sectors sectors" >&2
    start=$((start + sectors))
  done
} > "$cue"
