#!/usr/bin/env bash
# Times our WAV-to-WAV copy (tools/wavcopy) against sox on a generated
# 10-minute 16-bit stereo 44100 Hz file: a plain copy, and a copy at 48000 Hz.
# Runs alternate between the two programs; each figure is the median of the
# runs, and the ratio is ours / sox (below 1: we are faster).
#   usage: bench/peer/wav-vs-sox.sh [BUILD_DIR] [RUNS] [SECONDS]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
runs=${2:-7}
seconds=${3:-600}
wavcopy=$build/tools/wavcopy
[ -x "$wavcopy" ] || { echo "no $wavcopy: build the native tree first" >&2; exit 1; }
need sox

work=$(mktemp -d "${TMPDIR:-/tmp}/wav-vs-sox.XXXXXX")
trap 'rm -rf "$work"' EXIT
in=$work/in.wav
sox -R -n -r 44100 -c 2 -b 16 "$in" synth "$seconds" sine 440 sine 1250 gain -3
echo "input: $(soxi -D "$in") s, $(soxi -c "$in") channels, $(soxi -r "$in") Hz, $(du -h "$in" | cut -f1)"

compare() {  # label, our command, sox command
  local label=$1 ours=$2 theirs=$3 a=() b=()
  for ((i = 0; i < runs; i++)); do
    a+=("$(elapsed_ms bash -c "$ours")")
    b+=("$(elapsed_ms bash -c "$theirs")")
  done
  local ma mb
  ma=$(printf '%s\n' "${a[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  awk -v l="$label" -v a="$ma" -v b="$mb" 'BEGIN { printf "%-28s ours %7.3f s   sox %7.3f s   ratio %.2f\n", l, a / 1000, b / 1000, a / b }'
}

echo "median of $runs alternating runs each"
compare "copy 44100 -> 44100" "'$wavcopy' '$in' '$work/a.wav'" "sox '$in' '$work/b.wav'"
compare "rate 44100 -> 48000" "'$wavcopy' '$in' '$work/a.wav' 48000" "sox '$in' '$work/b.wav' rate 48000"
# Check that the rate conversion really ran (the converter may not be built in yet).
if [ "$(soxi -s "$work/a.wav")" = "$(soxi -s "$in")" ]; then
  echo "note: wavcopy's 48000 Hz output has as many frames as the input: LSPConvRate passes through in this build"
fi
