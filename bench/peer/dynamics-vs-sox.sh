#!/usr/bin/env bash
# Times our dynamics and speed effects against their nearest sox effects on
# one generated stereo recording, in the same run, alternating, and prints
# the medians and the ratios (sox time / our time: above 1 means we are faster).
#   bench/peer/dynamics-vs-sox.sh [seconds, default 60] [repetitions, default 3]
# Pairs:
#   compressor (-20 dB, 2:1)          sox compand: +10 dB below -20 dB, 2:1 above
#                                     (no delay: sox refuses a delay on stereo here)
#   noise reduction (-30 dB gate)     sox noisered with a profile of the leading noise
#   time stretch 150 % (pitch kept)   sox tempo 1.5
#   pitch 150 % (speed kept)          sox pitch 702 (cents)
#   speed and pitch 150 %             sox speed 1.5
#   auto gain control                 (no sox counterpart; our time only)
# Our tool reads and writes raw 16-bit PCM (sox makes it from the WAV file
# beforehand); sox reads and writes WAV. Each figure is the wall time of the
# whole command, file I/O included.
set -euo pipefail
source "$(dirname "$0")/timing.sh"
secs=${1:-60}
reps=${2:-3}
build="$root/build/native"
need sox
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if ! cmake --build "$build" --target dynbench -j2 >/dev/null 2>&1; then
  echo "the dynbench tool is not built: bench/peer/CMakeLists.txt builds it"
  exit 1
fi
tool="$build/bench/peer/dynbench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Half a second of a low noise floor, then tones that swell and fade
# (quiet and loud passages) over the same noise.
sox -V1 -n -r 44100 -c 2 -b 16 "$work/tones.wav" synth "$secs" sine 220 sine 330 tremolo 0.2 80 pad 0.5 0 gain -n -6
sox -V1 -n -r 44100 -c 2 -b 16 "$work/noise.wav" synth "$(awk -v s="$secs" 'BEGIN { print s + 0.5 }')" whitenoise gain -n -50
sox -V1 -m "$work/tones.wav" "$work/noise.wav" -b 16 "$work/in.wav"
sox -V1 "$work/in.wav" -t raw -e signed-integer -b 16 -L "$work/in.raw"
sox -V1 "$work/in.wav" -n trim 0 0.5 noiseprof "$work/noise.prof"

echo "input: $(soxi -D "$work/in.wav") s stereo at 44100 Hz, 16-bit; $reps alternating runs each, medians of wall time"
printf '%-32s %10s %10s %8s\n' "effect (ours vs sox)" "ours ms" "sox ms" "sox/ours"
pair() {  # label, our effect, sox effect words...
  local label=$1 ours=$2; shift 2
  local a=() b=()
  # Both must work, or the timing means nothing.
  "$tool" "$ours" "$work/in.raw" "$work/ours.raw" 44100 2 2>/dev/null || { echo "$label: ours failed"; return; }
  # (sox can report FAIL yet exit 0, as compand does with a delay on stereo.)
  if [ "$#" -gt 0 ] && { ! sox -V1 "$work/in.wav" "$work/sox.wav" "$@" 2>"$work/sox.err" || grep -q FAIL "$work/sox.err"; }; then
    echo "$label: sox failed: $(head -c 200 "$work/sox.err")"
    return
  fi
  for ((i = 0; i < reps; i++)); do
    a+=("$(elapsed_ms "$tool" "$ours" "$work/in.raw" "$work/ours.raw" 44100 2)")
    if [ "$#" -gt 0 ]; then b+=("$(elapsed_ms sox -V1 "$work/in.wav" "$work/sox.wav" "$@")"); fi
  done
  local ma mb
  ma=$(printf '%s\n' "${a[@]}" | median)
  if [ "$#" -gt 0 ]; then
    mb=$(printf '%s\n' "${b[@]}" | median)
    awk -v l="$label" -v a="$ma" -v b="$mb" 'BEGIN { printf "%-32s %10.1f %10.1f %8.2f\n", l, a, b, b / a }'
  else
    awk -v l="$label" -v a="$ma" 'BEGIN { printf "%-32s %10.1f %10s %8s\n", l, a, "-", "-" }'
  fi
}
pair "compressor / compand" compress compand 0.005,0.045 -90,-80,-20,-10,0,0 0 -90 0
pair "noise gate / noisered" gate noisered "$work/noise.prof" 0.21
pair "time stretch 150% / tempo" tempo tempo 1.5
pair "pitch 150% / pitch 702" pitch pitch 702
pair "speed 150% / speed" speed speed 1.5
pair "auto gain control" agc
