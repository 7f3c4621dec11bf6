#!/usr/bin/env bash
# Times FLAC decoding and encoding against the flac program at the same
# compression level, and Ogg Vorbis decoding against oggdec: the whole
# process on the same input (ten minutes of 44100 Hz stereo music-like
# material), ours being sondrel-cli (open the file as a document, save it),
# the runs alternating ours and theirs. Prints the medians and the ratios
# ours/theirs (below 1 = we are faster); the goal is at most 1.2.
#   bench/peer/codecs-vs-peers.sh [build dir (build/native)] [repetitions (5)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
reps=${2:-5}
cli=$build/bin/sondrel-cli
need sox flac oggenc oggdec
[ -x "$cli" ] || { echo "build $cli first (tools/build.sh native)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work  # the tool's cut tank, beside the files
sox -n -r 44100 -c 2 -b 16 "$work/in.wav" synth 600 pinknoise synth 600 sine mix 100-4000 \
    tremolo 3 60 vol 0.5 2>/dev/null
flac -s -f -5 -o "$work/in.flac" "$work/in.wav"
oggenc -Q -q 5 -o "$work/in.ogg" "$work/in.wav"
# The tool saves FLAC at the level of its settings: the default, 5, as flac -5.

# pair LABEL "OURS..." "THEIRS...": alternates the two, reps times each, and
# prints "LABEL ours-median theirs-median".
pair() {
  local label=$1 ours=$2 theirs=$3 i
  local a=() b=()
  for ((i = 0; i < reps; i++)); do
    a+=("$(elapsed_ms bash -c "$ours")")
    b+=("$(elapsed_ms bash -c "$theirs")")
  done
  printf '%s %s %s\n' "$label" "$(printf '%s\n' "${a[@]}" | median)" "$(printf '%s\n' "${b[@]}" | median)"
}

results=$(
  pair flac-decode "'$cli' --quiet '$work/in.flac' '$work/ours.wav'" "flac -s -f -d -o '$work/theirs.wav' '$work/in.flac'"
  pair flac-encode "'$cli' --quiet '$work/in.wav' '$work/ours.flac'" "flac -s -f -5 -o '$work/theirs.flac' '$work/in.wav'"
  pair vorbis-decode "'$cli' --quiet '$work/in.ogg' '$work/ours2.wav'" "oggdec -Q -o '$work/theirs2.wav' '$work/in.ogg'"
)
echo "600 s of 44100 Hz stereo, whole process, median of $reps alternating runs (ms):"
echo "$results" | awk '{ printf "  %-14s ours %9.1f  peer %9.1f  ratio %.3f\n", $1, $2, $3, $2 / $3 }'
# The same results: our decodes equal the peer's (FLAC exactly).
cmp -s <(sox "$work/ours.wav" -t raw -) <(sox "$work/theirs.wav" -t raw -) && echo "  FLAC decodes identical"
