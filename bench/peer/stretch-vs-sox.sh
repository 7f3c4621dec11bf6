#!/usr/bin/env bash
# Our speed change that keeps the pitch against sox's tempo (WSOLA), in one run:
#   1. steady tones through "Constant Pitch and Speed Change" and "Constant
#      Speed and Pitch Change": strongest frequency and length (stretchprobe);
#   2. speech from espeak-ng at 50 % and 200 %, ours and sox tempo on the
#      same input, beside the input's own figures: periodicity (how closely
#      the voice repeats itself one period later, 1 at most; splices that
#      jump in phase lower it) and spectral flux (how much the spectrum
#      changes from one 5.8 ms step to the next; they raise it);
#   3. time of the stretch at 150 % and 50 % against sox tempo on the same
#      generated stereo file, alternating, medians of wall time.
#   bench/peer/stretch-vs-sox.sh [seconds of the timed file, default 60] [repetitions, default 3]
# Our tool reads and writes raw 16-bit PCM (sox makes it from the WAV file
# beforehand); sox reads and writes WAV. Each time is the whole command's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
secs=${1:-60}
reps=${2:-3}
build="$root/build/native"
command -v sox >/dev/null || { echo "sox is not installed"; exit 1; }
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target dynbench stretchprobe -j2 >/dev/null
dynbench="$build/tools/dynbench/dynbench"
probe="$build/tools/stretchprobe/stretchprobe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- steady tones (2 s, 44100 Hz): strongest frequency of the output and its length"
"$probe" tones

echo
echo "-- speech at 44100 Hz stereo: periodicity (higher is better) and spectral flux (lower is smoother)"
if command -v espeak-ng >/dev/null; then
  espeak-ng -w "$work/speech.wav" "The quick brown fox jumps over the lazy dog. \
She sells sea shells by the sea shore, and the shells she sells are surely seashells. \
Peter Piper picked a peck of pickled peppers." 2>/dev/null
  sox -V1 "$work/speech.wav" -r 44100 -c 2 -b 16 "$work/speech44.wav" rate -v
  sox -V1 "$work/speech44.wav" -t raw -e signed-integer -b 16 -L "$work/speech.raw"
  measure() { echo "$("$probe" periodicity "$1" 44100 2 | cut -d' ' -f1) $("$probe" flux "$1" 44100 2 | cut -d' ' -f1)"; }
  printf '%-8s %22s %22s %22s\n' "" "ours" "sox tempo" "input"
  printf '%-8s %11s %10s %11s %10s %11s %10s\n' "percent" "period." "flux" "period." "flux" "period." "flux"
  read -r ip if_ <<<"$(measure "$work/speech.raw")"
  for p in 50 200; do
    "$dynbench" tempo "$work/speech.raw" "$work/ours.raw" 44100 2 "$p" 2>/dev/null
    sox -V1 "$work/speech44.wav" -t raw -e signed-integer -b 16 -L "$work/sox.raw" \
        tempo "$(awk -v p="$p" 'BEGIN { print p / 100 }')"
    read -r op of <<<"$(measure "$work/ours.raw")"
    read -r sp sf <<<"$(measure "$work/sox.raw")"
    printf '%-8s %11s %10s %11s %10s %11s %10s\n' "$p %" "$op" "$of" "$sp" "$sf" "$ip" "$if_"
  done
else
  echo "espeak-ng is not installed: no speech comparison"
fi

echo
echo "-- time: $secs s stereo at 44100 Hz, $reps alternating runs each, medians of wall time"
sox -V1 -n -r 44100 -c 2 -b 16 "$work/tones.wav" synth "$secs" sine 220 sine 330 tremolo 0.2 80 gain -n -6
sox -V1 -n -r 44100 -c 2 -b 16 "$work/noise.wav" synth "$secs" whitenoise gain -n -50
sox -V1 -m "$work/tones.wav" "$work/noise.wav" -b 16 "$work/in.wav"
sox -V1 "$work/in.wav" -t raw -e signed-integer -b 16 -L "$work/in.raw"
ns() { local t0; t0=$(date +%s%N); "$@" >/dev/null 2>&1; echo $(( $(date +%s%N) - t0 )); }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-24s %10s %10s %10s\n' "stretch" "ours ms" "sox ms" "ours/sox"
for p in 150 50; do
  a=() b=()
  tempo=$(awk -v p="$p" 'BEGIN { print p / 100 }')
  for ((i = 0; i < reps; i++)); do
    a+=("$(ns "$dynbench" tempo "$work/in.raw" "$work/ours.raw" 44100 2 "$p")")
    b+=("$(ns sox -V1 "$work/in.wav" "$work/sox.wav" tempo "$tempo")")
  done
  ma=$(median "${a[@]}")
  mb=$(median "${b[@]}")
  awk -v l="$p % / tempo $tempo" -v a="$ma" -v b="$mb" \
      'BEGIN { printf "%-24s %10.1f %10.1f %10.2f\n", l, a / 1e6, b / 1e6, a / b }'
done
