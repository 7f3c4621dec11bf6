#!/usr/bin/env bash
# Times decoding of a 20-minute 128 kbit/s stereo MP3 (made with sox and
# lame) with our decoder (tools/mp3decode -t) and with mpg123 -t, once with
# --cpu generic and once with its default decoder, in the same run, and
# prints the medians and the ratios ours/theirs (below 1 = we are faster).
#   bench/peer/mp3-vs-mpg123.sh [build dir (build/native)] [repetitions (5)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
reps=${2:-5}
decoder=${MP3DECODE:-$build/tools/mp3decode/mp3decode}
need sox lame mpg123
[ -x "$decoder" ] || { echo "build $decoder first (tools/mp3decode)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Twenty minutes of music-like material: pink noise and a gliding tone under
# a slow tremolo.
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 1200 pinknoise synth 1200 sine mix 100-4000 \
    tremolo 3 60 vol 0.5 2>/dev/null
lame --quiet -b 128 "$work/in.wav" "$work/in.mp3"
rm -f "$work/in.wav"

results=$(
  time_cmd ours           "$decoder" -t -q "$work/in.mp3"
  time_cmd mpg123-generic mpg123 -q -t --cpu generic "$work/in.mp3"
  time_cmd mpg123-default mpg123 -q -t "$work/in.mp3"
)
echo "MP3 decoding, 1200 s of 44100 Hz stereo at 128 kbit/s, median of $reps runs (ms):"
echo "$results" | awk '{printf "  %-15s %8.1f\n", $1, $2}'
echo "$results" | awk '
  {t[$1] = $2}
  END {
    printf "  ratio ours/mpg123 generic %.3f\n", t["ours"] / t["mpg123-generic"]
    printf "  ratio ours/mpg123 default %.3f\n", t["ours"] / t["mpg123-default"]
    printf "  realtime: %.0fx\n", 1200000 / t["ours"]
  }'
