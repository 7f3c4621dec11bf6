#!/usr/bin/env bash
# Times GSM 06.10 encoding and decoding of a 10-minute 8 kHz file with our
# codec (tools/gsmcodec) and with toast/untoast, in the same run, and prints
# the medians and the ratios ours/theirs (below 1 = we are faster).
#   bench/peer/gsm-vs-toast.sh [build dir (build/native)] [repetitions (7)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
reps=${2:-7}
codec=$build/tools/gsmcodec/gsmcodec
need toast untoast sox
[ -x "$codec" ] || { echo "build $codec first (tools/gsmcodec)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
raw="-t raw -e signed-integer -b 16 -c 1 -r 8000"
# Ten minutes of speech-band noise with a syllable-rate envelope and a tone.
sox -n $raw "$work/in.raw" synth 600 pinknoise synth 600 sine mix 150-900 \
    tremolo 4 90 lowpass 3400 vol 0.4 2>/dev/null
toast -l -c "$work/in.raw" > "$work/ref.gsm"

results=$(
  time_cmd toast-encode   sh -c "toast -l -c '$work/in.raw' > '$work/t.gsm'"
  time_cmd ours-encode    "$codec" encode "$work/in.raw" "$work/o.gsm"
  time_cmd untoast-decode sh -c "untoast -l -c '$work/ref.gsm' > '$work/t.raw'"
  time_cmd ours-decode    "$codec" decode "$work/ref.gsm" "$work/o.raw"
)
echo "GSM 06.10, 600 s at 8000 Hz, median of $reps runs (ms):"
echo "$results" | awk '{printf "  %-15s %8.1f\n", $1, $2}'
echo "$results" | awk '
  {t[$1] = $2}
  END {
    printf "  encode ratio ours/toast   %.3f\n", t["ours-encode"] / t["toast-encode"]
    printf "  decode ratio ours/untoast %.3f\n", t["ours-decode"] / t["untoast-decode"]
    printf "  realtime: encode %.0fx, decode %.0fx\n", 600000 / t["ours-encode"], 600000 / t["ours-decode"]
  }'
