#!/usr/bin/env bash
# Makes the files that tests compare against peer tools, for the builds whose
# tests cannot run the peers themselves (the Windows build under Wine):
# WAV files in the codecs a system decodes, and sox's 16-bit decodes of them.
#   usage: make-peer-fixtures.sh OUTDIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
sig() { sox -n -r "$1" -c "$2" -b 16 "$3" synth 1.5 sine 440 sine 1250 gain -3 fade 0.01 1.5 0.01; }
sig 8000 1 mono8k.wav
sig 8000 2 stereo8k.wav
sig 44100 2 stereo44k.wav
# name, encoding options, source
while IFS="|" read -r name opts src; do
  # shellcheck disable=SC2086
  sox "$src" $opts "$name.wav"
  sox "$name.wav" -t raw -e signed -b 16 "$name.raw"
done <<LIST
ima_mono|-e ima-adpcm|mono8k.wav
ima_stereo|-e ima-adpcm|stereo8k.wav
msadpcm|-e ms-adpcm|mono8k.wav
ulaw|-e u-law|mono8k.wav
alaw|-e a-law|stereo8k.wav
gsm610|-e gsm-full-rate|mono8k.wav
pcm24|-b 24|stereo44k.wav
pcm8|-b 8 -e unsigned|mono8k.wav
LIST
# A format tag no codec knows: the IMA file with its tag changed.
cp ima_mono.wav unknown_tag.wav
printf '\x34\x12' | dd of=unknown_tag.wav bs=1 seek=20 conv=notrunc status=none
# MP3 files made by lame, and mpg123's 16-bit decodes of them.
sox -n -r 44100 -c 2 -b 16 tone44.wav synth 1.2 sine 440 sine 1250 gain -3
sox -n -r 22050 -c 1 -b 16 tone22.wav synth 1.2 sine 300 gain -3
sox -n -r 8000 -c 1 -b 16 tone8.wav synth 1.2 sine 300 gain -3
lame --quiet -m j -b 128 tone44.wav mp3_joint44.mp3
lame --quiet -m m -b 48 tone22.wav mp3_mono22.mp3
lame --quiet -m m -b 16 tone8.wav mp3_mono8.mp3
for f in mp3_joint44 mp3_mono22 mp3_mono8; do mpg123 -q --no-gapless -s "$f.mp3" > "$f.raw"; done
touch .done
