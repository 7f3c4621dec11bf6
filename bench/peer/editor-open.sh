#!/usr/bin/env bash
# Start-up with a long file (the Windows build under Wine): the time from
# launching sondrel.exe with a one-hour stereo WAV (about 635 MB) to the
# editor showing it with the overview and the main view fully drawn, against
# `cp` of the same file on the same disk, alternating, in the same run. The
# file is made once and kept in the build folder. Each editor run starts
# fresh (its data folder emptied) and is closed again.
# With "mp3", the same hour as a 128 kbit/s MP3 against mpg123 decoding it
# to a WAV file (and a sync); with "second", a one-second WAV against cp: the
# start of Wine and the editor alone.
#   bench/peer/editor-open.sh [build dir (build/win64)] [repetitions (3)] [wav|mp3]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
runs=${2:-3}
kind=${3:-wav}
# shellcheck source=hour-file.sh
source "$(dirname "$0")/hour-file.sh"

# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1024x768x24")
sondrel_wine_start
input=$hour peer=cp
if [ "$kind" = mp3 ]; then
  input=$data/hour.mp3 peer=mpg123
  [ -f "$input" ] || lame --quiet -b 128 "$hour" "$input"
elif [ "$kind" = second ]; then
  input=$data/second.wav
  [ -f "$input" ] || sox -V1 -R -n -r 44100 -c 2 -b 16 "$input" synth 1 sine 440 gain -6
fi
echo "file: $(basename "$input"), $(stat -c %s "$input" | awk '{ printf "%d MiB", $1 / 1048576 }'), stereo, 44100 Hz; $runs runs; $(nproc) cores"
loaded=() editor=() copy=()
editor_run() {
  userdata=$(sondrel_user_data)
  rm -f "$userdata/"*.aud "$userdata/"*.pks "$userdata/"*.jnl 2>/dev/null || true
  read -r ml ms < <("${display[@]}" wine "$probe" time "$(win "$build/bin/sondrel.exe")" "$(win "$input")" 2>/dev/null </dev/null | tr -d '\r')
  [ -n "${ms:-}" ] || { echo "run $i: the editor did not show the file" >&2; sondrel_wine_stop; exit 1; }
}
cp_run() {
  a=$(date +%s%N)
  if [ "$peer" = cp ]; then cp "$input" "$data/copy.wav"; else mpg123 -q -w "$data/copy.wav" "$input"; fi
  sync "$data/copy.wav"; b=$(date +%s%N); rm -f "$data/copy.wav"
  c=$(( (b - a) / 1000000 ))
}
# Alternating which goes first, so that neither always finds the file in
# the page cache the other left.
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then editor_run; cp_run; else cp_run; editor_run; fi
  echo "run $i: launch to loaded $ml ms, to drawn $ms ms; $peer $c ms"
  loaded+=("$ml") editor+=("$ms") copy+=("$c")
done
sondrel_wine_stop
med() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ml=$(med "${loaded[@]}") me=$(med "${editor[@]}") mc=$(med "${copy[@]}")
awk -v l="$ml" -v e="$me" -v c="$mc" \
  -v p="$peer" 'BEGIN { printf "median: launch to loaded %.0f ms, to drawn %.0f ms; %s %.0f ms; drawn / %s %.2f\n", l, e, p, c, p, e / c }'
