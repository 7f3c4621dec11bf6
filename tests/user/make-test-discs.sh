#!/usr/bin/env bash
# The disc images of the CD import tests, made from WAV files with sox:
#   discA: tracks of 100, 96, 157 and 61 sectors (the last one's audio ends
#          100 frames short of its last sector, which is padded with silence)
#   discB: tracks of 4500 sectors (one minute) and 75 sectors
# Each track holds a tone on the left and noise on the right.
#   usage: make-test-discs.sh OUTDIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
mkdir -p "$out"
cd "$out"
tone() {  # tone FILE FRAMES HZ
  sox -V1 -r 44100 -c 2 -n -b 16 "$1" synth "$2s" sine "$3" whitenoise gain -6
}
tone a1.wav $((100 * 588)) 440
tone a2.wav $((96 * 588)) 550
tone a3.wav $((157 * 588)) 660
tone a4.wav $((61 * 588 - 100)) 770
tone b1.wav $((4500 * 588)) 330
tone b2.wav $((75 * 588)) 880
bash "$root/tools/cdimage/make-cd-image.sh" discA.cue a1.wav a2.wav a3.wav a4.wav
bash "$root/tools/cdimage/make-cd-image.sh" discB.cue b1.wav b2.wav
rm -f a?.wav b?.wav
