#!/usr/bin/env bash
# Runs the Windows build's Save As MP3 test under Wine (its own lame.exe,
# a folder with a blank in its name) and checks the MP3 with mpg123: it
# decodes to the document's audio within 0.5 dB, correlating above 0.99,
# with the same length within one MP3 frame (mpg123 takes the encoder's
# delay and padding off, as the MP3's LAME tag tells it).
#   usage: check-mp3-with-mpg123.sh WIN32_TESTS_EXE OUTDIR
set -euo pipefail
exe=$(realpath "$1") out=$2
mkdir -p "$out"
cd "$out"
rm -rf saved.mp3 document.wav decoded.wav scratch-*
SONDREL_MP3_CHECK="Z:$(pwd | tr / '\\')" \
  wine "$exe" --gtest_filter=Mp3UnderWine.SaveAsGivesAnMp3OfTheDocumentAndLeavesNothingElse
[ -s saved.mp3 ] || { echo "the test kept no MP3"; exit 1; }
mpg123 -q -w decoded.wav saved.mp3 || { echo "mpg123 cannot decode the MP3"; exit 1; }
[ "$(soxi -c decoded.wav)" = 2 ] && [ "$(soxi -r decoded.wav)" = 44100 ] || { echo "not 44.1 kHz stereo"; exit 1; }

n_doc=$(soxi -s document.wav) n_dec=$(soxi -s decoded.wav)
n=$(( n_doc < n_dec ? n_doc : n_dec ))
# RMS of channel CH of the input over the first n frames: rms CH INPUT...
rms() { local ch=$1; shift; sox "$@" -n remix "$ch" trim 0 "${n}s" stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
result=$(
  for ch in 1 2; do
    a=$(rms "$ch" document.wav); b=$(rms "$ch" decoded.wav)
    d=$(rms "$ch" -m -v 1 document.wav -v -1 decoded.wav)  # the difference of the two
    echo "$a $b $d"
  done | awk -v nd="$n_doc" -v nc="$n_dec" '
    { A += $1 * $1; B += $2 * $2; D += $3 * $3 }
    END {
      level = 10 * log(B / A) / log(10)
      corr = (A + B - D) / (2 * sqrt(A * B))
      diff = nc - nd; if (diff < 0) diff = -diff
      ok = (level < 0.5 && level > -0.5 && corr > 0.99 && diff <= 1152)
      printf "%s: level %+.3f dB, correlation %.5f, %d frames against %d\n", ok ? "ok" : "FAILED", level, corr, nc, nd
    }')
echo "MP3 checked with mpg123: $result"
[[ $result == ok:* ]]
