#!/usr/bin/env bash
# Import speed of a 60-minute audio CD through the ASPI test double (the
# Windows build under Wine): the CD test host reads every track of the disc
# into temporary WAV files as the import dialog does, then opens each as a
# document as the main window does. Prints the times and the speed as a
# multiple of real time (the disc's playing time over the time taken). The
# disc image (12 tracks of 5 minutes, about 635 MB) is made once and kept in
# the build folder; `cp` of the image on the same disk is given for scale.
#   bench/peer/cd-import.sh [build dir (build/win64)] [repetitions (3)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
runs=${2:-3}
host=$build/bin/cdhost.exe
[ -f "$host" ] && [ -f "$build/bin/wnaspi32.dll" ] || { echo "no $host: build a Windows tree first (tools/build.sh windows)" >&2; exit 1; }
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
  "${display[@]}" env WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wnaspi32=n,b" SONDREL_ASPI_DOUBLE="$(win "$images/aspi.cfg")" \
    CDHOST_DATA="$(win "$work/data")" wine "$host" --bench "$(win "$work/report.txt")" </dev/null >/dev/null 2>&1
}
sondrel_wine_start
mkdir -p "$work/data"
echo "disc: $(stat -c %s "$images/hour.bin" | awk '{ printf "%d MiB", $1 / 1048576 }'), 12 tracks, 60 minutes; $runs runs; $(nproc) cores"
for ((i = 1; i <= runs; i++)); do
  rm -f "$work/report.txt"
  run || { echo "run $i failed" >&2; sondrel_wine_stop; exit 1; }
  a=$(date +%s.%N); cp "$images/hour.bin" "$work/copy.bin"; sync "$work/copy.bin"; b=$(date +%s.%N); rm -f "$work/copy.bin"
  awk -v cp="$(echo "$b - $a" | bc -l)" -v run="$i" '
    { v[$1] = $2 }
    END { printf "run %d: read %.2f s (%.1fx real time), open as documents %.2f s, whole import %.1fx real time; cp of the image %.2f s\n",
          run, v["read_seconds"], v["read_x_realtime"], v["open_seconds"], v["import_x_realtime"], cp }' "$work/report.txt"
done
sondrel_wine_stop
