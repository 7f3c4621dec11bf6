#!/usr/bin/env bash
# Runs the Windows build's codec test under Wine, which writes FLAC, Ogg
# Vorbis and Opus files, and decodes them with flac, oggdec, opusdec and sox:
# the FLAC file exactly to what was written, the lossy ones to the same
# length and rate at the same level (within 0.5 dB), tags included.
#   usage: check-codecs-with-peers.sh FORMATS_TESTS_EXE OUTDIR
set -euo pipefail
exe=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
SONDREL_CODEC_CHECK="Z:$(echo "$out" | tr / '\\')" \
  wine "$exe" --gtest_filter=CodecFixture.WritesFilesForThePeers
cd "$out"
for f in wrote.wav ours.flac ours.ogg ours.opus; do [ -f "$f" ] || { echo "the test wrote no $f"; exit 1; }; done
fail=0
flac -s -f -d -o flac-decoded.wav ours.flac
if cmp -s <(sox flac-decoded.wav -t raw -) <(sox wrote.wav -t raw -); then echo "ok: flac decodes our FLAC exactly"
else echo "FAILED: flac decodes our FLAC exactly"; fail=1; fi
oggdec -Q -o ogg-decoded.wav ours.ogg
opusdec --quiet --rate 48000 ours.opus opus-decoded.wav
rms() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
for d in ogg-decoded.wav opus-decoded.wav; do
  if [ "$(soxi -s "$d")" = "$(soxi -s wrote.wav)" ] && [ "$(soxi -r "$d")" = 48000 ] &&
     awk -v a="$(rms wrote.wav)" -v b="$(rms "$d")" 'BEGIN { d = 20 * log(b / a) / log(10); exit !(d > -0.5 && d < 0.5) }'
  then echo "ok: $d has our length, rate and level"; else echo "FAILED: $d"; fail=1; fi
done
for listing in "metaflac --export-tags-to=- ours.flac" "vorbiscomment -l ours.ogg" "opusinfo ours.opus"; do
  if $listing | grep -q "TITLE=Take" && $listing | grep -q "ALBUM=Sessions"; then echo "ok: tags in ${listing##* }"
  else echo "FAILED: tags in ${listing##* }"; fail=1; fi
done
exit $fail
