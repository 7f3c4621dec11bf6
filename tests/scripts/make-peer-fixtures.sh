#!/usr/bin/env bash
# Makes the files that tests compare against peer tools, for the builds whose
# tests cannot run the peers themselves (the Windows build under Wine):
# WAV files in the codecs a system decodes, and sox's 16-bit decodes of them;
# wide and multichannel WAV, FLAC, Ogg Vorbis and Opus files with the peers'
# decodes of them.
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
# Files of today's tools and the peers' own decodes of them: sox's exact
# 32-bit decodes (.s32) of wide and multichannel WAV files (the last mixed
# down with the editor's weights), flac's, oggdec's and opusdec's 16-bit
# decodes (.raw) of their own files.
sig 48000 2 fx16.wav
sox -n -r 48000 -c 2 -b 24 fx_s24.wav synth 1.2 sine 440 pinknoise gain -3
sox -n -r 44100 -c 2 -b 32 -e floating-point fx_f32.wav synth 1.2 sine 440 whitenoise gain -3
sox -n -r 44100 -c 6 -b 16 fx_6ch.wav synth 1.2 sine 440 sine 550 sine 660 sine 50 pinknoise whitenoise gain -3
for f in fx_s24 fx_f32; do sox "$f.wav" -t raw -e signed -b 32 "$f.s32"; done
sox fx_6ch.wav -t raw -e signed -b 32 fx_6ch.s32 \
  remix -m 1v0.414214,3v0.292893,5v0.292893 2v0.414214,3v0.292893,6v0.292893
flac -s -f -o fx_flac16.flac fx16.wav
flac -s -f -o fx_flac24.flac fx_s24.wav
flac -s -f -d --force-raw-format --endian=little --sign=signed -o fx_flac16.raw fx_flac16.flac
flac -s -f -d -o fx_flac24-decoded.wav fx_flac24.flac
sox fx_flac24-decoded.wav -t raw -e signed -b 32 fx_flac24.s32
oggenc -Q -q 4 -o fx_vorbis.ogg fx16.wav
oggdec -Q -R -b 16 -e 0 -s 1 -o fx_vorbis.raw fx_vorbis.ogg
opusenc --quiet fx16.wav fx_opus.opus
opusdec --quiet --no-dither --rate 48000 fx_opus.opus fx_opus-decoded.wav
sox fx_opus-decoded.wav -t raw -e signed -b 16 fx_opus.raw
touch .done
