#!/usr/bin/env bash
# Times Save As MP3 of a 20-minute 16-bit stereo document against the same
# encoder run directly on the same WAV, alternating, in one run (see
# tools/mp3savebench): the Windows build under Wine with its own lame.exe,
# and the native build with Debian's lame. The difference is the WAV the
# save writes first; prints the medians and the ratio ours / encoder alone.
#   bench/peer/mp3save-vs-lame.sh [repetitions (3)] [seconds (1200)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-3}
seconds=${2:-1200}
work=$(mktemp -d "${TMPDIR:-/tmp}/mp3save-vs-lame.XXXXXX")
trap 'rm -rf "$work"' EXIT
sox -R -n -r 44100 -c 2 -b 16 "$work/in.wav" synth "$seconds" sine 440 sine 1250 gain -3
echo "input: $seconds s stereo 16-bit, $(( $(stat -c %s "$work/in.wav") / 1048576 )) MiB; $runs alternating runs; $(nproc) cores"

# shellcheck source=../../tools/arch-probe.sh
source "$root/tools/arch-probe.sh"
mapfile -t windows < <(sondrel_runnable_windows_builds "$root")
for win in "${windows[@]}"; do
  [ -x "$win/tools/mp3savebench/mp3savebench.exe" ] && [ -f "$win/bin/lame.exe" ] || continue
  echo "-- Windows build ($(cat "$win/windows-cpu.txt")) under Wine, lame.exe from Debian's source --"
  mkdir -p "$work/win"
  (
    # shellcheck source=../../tools/wine-env.sh
    source "$root/tools/wine-env.sh" "$win" || exit 1
    sondrel_wine_start
    # From the program folder, where the search order finds lame.exe as the editor does.
    (cd "$win/bin" && wine "$win/tools/mp3savebench/mp3savebench.exe" \
       "$(winepath -w "$work/in.wav")" "$(winepath -w "$work/win")" "$runs") || rc=$?
    sondrel_wine_stop
    exit "${rc:-0}"
  ) || status=$?
done
[ ${#windows[@]} -gt 0 ] || echo "-- no Windows build with lame.exe (tools/build.sh windows): skipped --"
bench=$root/build/native/tools/mp3savebench/mp3savebench
if [ -x "$bench" ] && command -v lame >/dev/null; then
  echo "-- native build, Debian's lame --"
  mkdir -p "$work/native"
  "$bench" "$work/in.wav" "$work/native" "$runs"
fi
exit "${status:-0}"
