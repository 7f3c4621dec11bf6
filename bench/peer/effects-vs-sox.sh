#!/usr/bin/env bash
# Times our echo, reverb, low cut (high-pass) and equaliser on a 60-second
# stereo 44.1 kHz file (bench/peer/effectbench.cpp) against the nearest SoX effects,
# in the same run, and prints the medians and the ratios ours/SoX (below 1 =
# we are faster), both of elapsed time and of processor time (user + system;
# the fairer figure on a machine shared with other work). The equaliser is a 4095-tap FIR filter; SoX's counterpart
# is `fir` with 4095 coefficients. Both sides read and write raw 16-bit PCM,
# SoX without dither.
#   bench/peer/effects-vs-sox.sh [build dir (build/native)] [repetitions (5)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
reps=${2:-5}
tool=$build/bench/peer/effectbench
need sox
[ -x "$tool" ] || { echo "build $tool first (bench/peer/effectbench.cpp)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
raw="-t raw -e signed-integer -b 16 -c 2 -r 44100"
# One minute of pink noise under two tones, different in each channel.
sox -V1 -n $raw "$work/in.raw" synth 60 pinknoise synth 60 sine mix 220-880 \
    remix 1 1v0.7 vol 0.4 2>/dev/null
# 4095 coefficients: a Hann-windowed low-pass at 5 kHz, the length of our filter.
awk 'BEGIN { n = 4095; m = (n - 1) / 2; fc = 5000 / 44100; pi = atan2(0, -1)
  for (i = 0; i < n; i++) { d = i - m; h = d == 0 ? 2 * fc : sin(2 * pi * fc * d) / (pi * d)
    printf "%.12g\n", h * (0.5 - 0.5 * cos(2 * pi * i / (n - 1))) } }' > "$work/fir.txt"

time_cpu() {  # time_cpu label command...: prints label, median elapsed ms, median cpu ms
  local label=$1; shift
  : > "$work/times"
  for _ in $(seq "$reps"); do
    { TIMEFORMAT='%3R %3U %3S'; time "$@" 2>/dev/null; } 2>> "$work/times"
  done
  local wall cpu
  wall=$(awk '{print $1 * 1000}' "$work/times" | median)
  cpu=$(awk '{print ($2 + $3) * 1000}' "$work/times" | median)
  echo "$label $wall $cpu"
}
# shellcheck disable=SC2206
soxfx=(sox -V1 -D $raw "$work/in.raw" $raw "$work/sox.raw")
ours=("$tool" 44100 2 "$work/in.raw" "$work/ours.raw")

results=$(
  time_cpu sox-echo       "${soxfx[@]}" echo 1 1 800 0.5
  time_cpu ours-echo      "$tool" echo "${ours[@]:1}" 50 800
  time_cpu sox-reverb     "${soxfx[@]}" reverb
  time_cpu ours-reverb    "$tool" reverb "${ours[@]:1}" 100 50
  time_cpu sox-highpass   "${soxfx[@]}" highpass -1 500
  time_cpu ours-highpass  "$tool" highpass "${ours[@]:1}" 500
  time_cpu sox-fir        "${soxfx[@]}" fir "$work/fir.txt"
  time_cpu ours-eq        "$tool" eq "${ours[@]:1}"
)
echo "Effects on 60 s of stereo 44100 Hz, median of $reps runs (ms):"
echo "$results" | awk '{printf "  %-15s elapsed %7.0f  cpu %7.0f\n", $1, $2, $3}'
echo "$results" | awk '
  function r(a, b) { return b > 0 ? a / b : 0 }
  {w[$1] = $2; c[$1] = $3}
  END {
    n = split("echo:echo reverb:reverb highpass:highpass eq:fir", pairs, " ")
    for (i = 1; i <= n; i++) {
      split(pairs[i], p, ":")
      printf "  %-8s ratio ours/sox  elapsed %.2f  cpu %.2f%s\n", p[1], r(w["ours-" p[1]], w["sox-" p[2]]),
             r(c["ours-" p[1]], c["sox-" p[2]]), p[1] == "eq" ? "  (goal: at most 3)" : ""
    }
  }'
