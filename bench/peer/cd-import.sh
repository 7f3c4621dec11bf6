#!/usr/bin/env bash
# Import speed of a 60-minute audio CD through the ASPI test double (the
# Windows build under Wine): the editor itself imports every track of the
# disc, as a user does with Ctrl+L, all tracks selected and OK (each track
# read into a temporary WAV file, then opened as a document); editorprobe
# times it from OK until the last track shows. Prints the time and the
# speed as a multiple of real time (the disc's playing time over the time
# taken). The disc image (12 tracks of 5 minutes, about 635 MB) is made once
# and kept in the build folder; `cp` of the image on the same disk is given
# for scale.
#   bench/peer/cd-import.sh [build dir (build/win64)] [repetitions (3)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
runs=${2:-3}
editor=$build/bin/sondrel.exe probe=$build/bin/editorprobe.exe
[ -f "$editor" ] && [ -f "$probe" ] && [ -f "$build/bin/wnaspi32.dll" ] ||
  { echo "no $editor or $probe: build a Windows tree first (tools/build.sh windows)" >&2; exit 1; }
images=$build/bench-cd
mkdir -p "$images"
if [ ! -f "$images/hour.cue" ]; then
  for n in $(seq 1 12); do
    sox -V1 -R -r 44100 -c 2 -n -b 16 "$images/t$n.wav" synth 300 sine $((200 + 50 * n)) whitenoise gain -6
  done
  bash "$root/tools/cdimage/make-cd-image.sh" "$images/hour.cue" $(for n in $(seq 1 12); do echo "$images/t$n.wav"; done) 2>/dev/null
  rm -f "$images"/t*.wav
fi
win() { echo "Z:$1" | tr / '\\'; }
echo "drive $(win "$images/hour.cue")" > "$images/aspi.cfg"
work=$(mktemp -d "$build/bench-cd-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=../wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1024x768x24")
run() {
  "${display[@]}" wine "$probe" cdimport "$(win "$editor")" "$(win "$images/aspi.cfg")" "$(win "$work/data")" \
    </dev/null 2>/dev/null
}
sondrel_wine_start
mkdir -p "$work/data"
echo "disc: $(stat -c %s "$images/hour.bin" | awk '{ printf "%d MiB", $1 / 1048576 }'), 12 tracks, 60 minutes; $runs runs; $(nproc) cores"
for ((i = 1; i <= runs; i++)); do
  out=$(run) || { echo "run $i failed" >&2; sondrel_wine_stop; exit 1; }
  a=$(date +%s.%N); cp "$images/hour.bin" "$work/copy.bin"; sync "$work/copy.bin"; b=$(date +%s.%N); rm -f "$work/copy.bin"
  echo "$out" | tr -d '\r' | awk -v cp="$(echo "$b - $a" | bc -l)" -v run="$i" '
    NF == 2 { printf "run %d: %d tracks imported in %.2f s (%.1fx real time); cp of the image %.2f s\n",
              run, $2, $1, 3600 / $1, cp }'
done
sondrel_wine_stop
