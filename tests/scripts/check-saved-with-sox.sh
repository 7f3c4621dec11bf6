#!/usr/bin/env bash
# Runs the Windows build's save test under Wine and checks the file it wrote
# with sox: format, length and samples equal to the source's left channel.
#   usage: check-saved-with-sox.sh WIN32_TESTS_EXE OUTDIR
set -euo pipefail
exe=$1 out=$2
mkdir -p "$out"
rm -f "$out/saved.wav" "$out/src.wav"
SONDREL_SAVE_CHECK="Z:$(echo "$out" | tr / '\\')" \
  wine "$exe" --gtest_filter=DocumentsUnderWine.SaveRunsToTheEnd
[ -f "$out/saved.wav" ] || { echo "the test wrote no file"; exit 1; }
[ "$(soxi -c "$out/saved.wav")" = 1 ] || { echo "not mono"; exit 1; }
[ "$(soxi -r "$out/saved.wav")" = 44100 ] || { echo "wrong rate"; exit 1; }
[ "$(soxi -b "$out/saved.wav")" = 16 ] || { echo "not 16-bit"; exit 1; }
frames=$(soxi -s "$out/saved.wav")
[ "$frames" = "$(soxi -s "$out/src.wav")" ] || { echo "length $frames differs from the source's"; exit 1; }
# Stereo to mono keeps the left channel: the samples must equal sox's.
sox "$out/src.wav" "$out/left.wav" remix 1
cmp <(sox "$out/saved.wav" -t raw -) <(sox "$out/left.wav" -t raw -) || { echo "saved samples differ"; exit 1; }
echo "saved file checked with sox: $frames frames, identical to the source's left channel"
