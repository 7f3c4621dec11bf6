#!/usr/bin/env bash
# Whole processes against their peers on the same generated input, in the
# same run, alternating: sondrel-cli converting a file (open as the editor
# opens it, save as the editor saves it) against the program a user would
# run instead. Each figure is the median wall time of the runs; the ratio
# is ours / the peer's (below 1: we are faster).
#   WAV copy     sondrel-cli in.wav out.wav       sox in.wav out.wav
#   MP3 decode   sondrel-cli in.mp3 out.wav       mpg123 -w out.wav in.mp3 (its default, fastest decoder)
#   GSM decode   sondrel-cli in.gsm out.wav       untoast (libgsm) to a raw file
#   GSM encode   sondrel-cli in8k.wav out.gsm     toast (libgsm) from the raw samples
# With a Windows build folder, its sondrel-cli.exe runs under Wine (a
# wineserver kept up for the run) against the same native peers.
#   bench/peer/whole-process.sh [build dir (build/native)] [runs (7)] [seconds (120)]
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=$(cd "${1:-$root/build/native}" && pwd)
runs=${2:-7}
seconds=${3:-120}
need sox lame mpg123 toast untoast
work=$(mktemp -d "${TMPDIR:-/tmp}/whole-process.XXXXXX")
if [ -f "$build/windows-cpu.txt" ]; then
  cli=("$build/bin/sondrel-cli.exe")
  [ -f "${cli[0]}" ] || { echo "no ${cli[0]}: build the Windows tree first" >&2; exit 1; }
  # shellcheck source=../../tools/wine-env.sh
  source "$root/tools/wine-env.sh" "$build" || exit 1
  sondrel_wine_start
  trap 'sondrel_wine_stop; rm -rf "$work"' EXIT
  cli=(wine "${cli[0]}")
  path() { echo "Z:$1" | tr / '\\'; }
  label="$(cat "$build/windows-cpu.txt") Windows build under Wine"
else
  cli=("$build/bin/sondrel-cli")
  [ -x "${cli[0]}" ] || { echo "no ${cli[0]}: build the native tree first" >&2; exit 1; }
  trap 'rm -rf "$work"' EXIT
  path() { echo "$1"; }
  label="native build"
fi

# Music-like stereo material, and speech-band mono at 8000 Hz.
sox -R -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$seconds" pinknoise synth "$seconds" sine mix 100-4000 \
    tremolo 3 60 vol 0.5 2>/dev/null
lame --quiet -b 128 "$work/in.wav" "$work/in.mp3"
sox -R -n -r 8000 -c 1 -b 16 "$work/in8k.wav" synth "$seconds" pinknoise synth "$seconds" sine mix 150-900 \
    tremolo 4 90 lowpass 3400 vol 0.4 2>/dev/null
sox "$work/in8k.wav" -t raw "$work/in8k.raw"
toast -l -c "$work/in8k.raw" > "$work/in.gsm"
echo "$label; input $seconds s: $(du -h "$work/in.wav" | cut -f1) WAV, $(du -h "$work/in.mp3" | cut -f1) MP3," \
     "$(du -h "$work/in.gsm" | cut -f1) GSM; median of $runs alternating runs; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

ours() { "${cli[@]}" --quiet "$@"; }
compare() {  # label, our arguments (paths), the peer's shell command
  local name=$1 ours_in=$2 ours_out=$3 theirs=$4 a=() b=() i
  for ((i = 0; i < runs; i++)); do
    a+=("$(elapsed_ms ours "$(path "$ours_in")" "$(path "$ours_out")")")
    b+=("$(elapsed_ms bash -c "$theirs")")
  done
  local ma mb
  ma=$(printf '%s\n' "${a[@]}" | median)
  mb=$(printf '%s\n' "${b[@]}" | median)
  awk -v l="$name" -v a="$ma" -v b="$mb" \
    'BEGIN { printf "%-12s ours %7.3f s   peer %7.3f s   ratio %.2f\n", l, a / 1000, b / 1000, a / b }'
}
compare "WAV copy" "$work/in.wav" "$work/o.wav" "sox '$work/in.wav' '$work/p.wav'"
compare "MP3 decode" "$work/in.mp3" "$work/o.wav" "mpg123 -q -w '$work/p.wav' '$work/in.mp3'"
compare "GSM decode" "$work/in.gsm" "$work/o.wav" "untoast -l -c '$work/in.gsm' > '$work/p.raw'"
compare "GSM encode" "$work/in8k.wav" "$work/o.gsm" "toast -l -c '$work/in8k.raw' > '$work/p.gsm'"
