#!/usr/bin/env bash
# Makes a known recording input: two spoken sentences (espeak-ng) with a
# pause between them, a small DC offset (so that the recorder's DC filter
# has something to remove), as raw signed 16-bit little-endian samples.
#   usage: tools/make-speech.sh OUT.raw [RATE [CHANNELS [PAUSE_SECONDS]]]
# Defaults: 44100 Hz, 1 channel, a pause of 6 seconds.
set -euo pipefail
out=$1
rate=${2:-44100}
chans=${3:-1}
pause=${4:-6}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
espeak-ng -w "$work/one.wav" "Sondrel records this first sentence."
espeak-ng -w "$work/two.wav" "And this one comes after a pause."
# Each sentence at the target format; the pause is digital silence.
for part in one two; do
  sox -D "$work/$part.wav" -r "$rate" -c "$chans" -b 16 -e signed-integer "$work/$part.s16.wav"
done
sox -D -n -r "$rate" -c "$chans" -b 16 -e signed-integer "$work/pause.wav" trim 0 "$pause"
sox -D "$work/one.s16.wav" "$work/pause.wav" "$work/two.s16.wav" -t raw -e signed-integer -b 16 -L "$out" dcshift 0.002
