#!/usr/bin/env bash
# CPU time of the player's worker per second of audio played (through ALSA's
# file plugin, about four times real time) and of the recorder's worker per
# second recorded (real time, from a private PulseAudio), under Wine. The
# workers sleep on their events while the ring is full or empty, so both
# figures are a small fraction of a millisecond per millisecond.
#   bench/peer/devices-under-wine.sh [Windows build dir (build/win64)] [play seconds (60)] [record seconds (30)]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
play=${2:-60}
record=${3:-30}
exe=$build/bin/devicebench.exe
[ -f "$exe" ] || { echo "no $exe: build a Windows tree first (tools/build.sh windows)" >&2; exit 1; }
run() {
  # Windows need a display; use a private one when there is none.
  if [ -z "${DISPLAY:-}" ]; then xvfb-run -a -s "-screen 0 1024x768x24" "$@"; else "$@"; fi
}
# shellcheck source=../wine-env.sh
(source "$root/tools/wine-env.sh" "$build" && sondrel_wine_prefix && run wine "$exe" play "$play" 2>/dev/null)
run bash "$root/tools/wine-record.sh" "$build" "$build/testwork/speech-44100-1.raw" wine "$exe" record "$record" 2>/dev/null
