#!/usr/bin/env bash
# Times our 44100 -> 48000 Hz conversion of a generated stereo recording
# against sox on the same input, in the same run, alternating, and prints the
# medians and the ratios.
#   bench/peer/resample-vs-sox.sh [seconds, default 60] [repetitions, default 5]
# sox's default quality is "-h" (high: 95% band-width, 125 dB rejection);
# "-q" (quick) is timed as well. Our converter reads and writes raw 16-bit
# PCM (sox makes it from the WAV file beforehand); sox reads and writes WAV.
# Each figure is the wall time of the whole command, file I/O included.
set -euo pipefail
source "$(dirname "$0")/timing.sh"
secs=${1:-60}
reps=${2:-5}
build="$root/build/native"
need sox
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target resample_bench -j2 >/dev/null
tool="$build/bench/peer/resample_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Pink noise normalised to -1 dBFS: loud material with a full spectrum.
sox -V1 -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$secs" pinknoise gain -n -1
sox -V1 "$work/in.wav" -t raw -e signed-integer -b 16 -L "$work/in.raw"

ours=(); soxh=(); soxq=()
for ((i = 0; i < reps; i++)); do
  ours+=("$(elapsed_ms "$tool" "$work/in.raw" "$work/ours.raw" 44100 48000 2)")
  soxh+=("$(elapsed_ms sox -V1 "$work/in.wav" "$work/soxh.wav" rate 48000)")
  soxq+=("$(elapsed_ms sox -V1 "$work/in.wav" "$work/soxq.wav" rate -q 48000)")
done
mo=$(printf '%s\n' "${ours[@]}" | median)
mh=$(printf '%s\n' "${soxh[@]}" | median)
mq=$(printf '%s\n' "${soxq[@]}" | median)

frames_ours=$(( $(stat -c %s "$work/ours.raw") / 4 ))
frames_sox=$(soxi -s "$work/soxh.wav")
echo "input: ${secs} s stereo at 44100 Hz, 16-bit; $reps alternating runs each, medians of wall time"
awk -v o="$mo" -v h="$mh" -v q="$mq" -v fo="$frames_ours" -v fs="$frames_sox" 'BEGIN {
  printf "ours (63-tap polyphase)      %8.1f ms  %d frames\n", o, fo
  printf "sox rate 48000 (default -h)  %8.1f ms  %d frames   sox / ours = %.2f\n", h, fs, h / o
  printf "sox rate -q 48000            %8.1f ms               sox / ours = %.2f\n", q, q / o
}'
