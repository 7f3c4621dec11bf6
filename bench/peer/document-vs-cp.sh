#!/usr/bin/env bash
# Times opening a 20-minute 16-bit stereo WAV file into a document (one new
# segment in the cut tank) and saving it again, with the command-line tool
# (sondrel-cli IN OUT does exactly the editor's load and save), against `cp`
# of the same bytes on the same disk, in the same run, alternating; prints
# the medians, the throughputs and the ratio ours / cp (below 1: faster).
#   bench/peer/document-vs-cp.sh [build dir (build/native)] [repetitions (5)] [seconds (1200)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=${1:-$root/build/native}
runs=${2:-5}
seconds=${3:-1200}
cli=$build/bin/sondrel-cli
[ -x "$cli" ] || { echo "no $cli: build the native tree first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/document-vs-cp.XXXXXX")
trap 'rm -rf "$work"' EXIT
sox -R -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$seconds" sine 440 sine 1250 gain -3
bytes=$(stat -c %s "$work/in.wav")
echo "input: $seconds s stereo 16-bit, $((bytes / 1048576)) MiB; $runs alternating runs; $(nproc) cores"
ours=(); theirs=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work/out.wav" "$work/copy.wav"
  ours+=("$(elapsed_ms "$cli" --quiet "$work/in.wav" "$work/out.wav")")
  theirs+=("$(elapsed_ms cp "$work/in.wav" "$work/copy.wav")")
done
cmp -s <(sox "$work/in.wav" -t raw -) <(sox "$work/out.wav" -t raw -) || { echo "the saved samples differ" >&2; exit 1; }
mo=$(printf '%s\n' "${ours[@]}" | median)
mc=$(printf '%s\n' "${theirs[@]}" | median)
awk -v o="$mo" -v c="$mc" -v b="$bytes" 'BEGIN {
  printf "%-36s %8.3f s  %7.1f MiB/s\n", "open into a document and save", o / 1000, b / 1048576 / (o / 1000)
  printf "%-36s %8.3f s  %7.1f MiB/s\n", "cp", c / 1000, b / 1048576 / (c / 1000)
  printf "ratio ours / cp: %.2f\n", o / c
}'
