#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it under Wine with a
# sample file open (a spoken sentence pair made by tools/make-speech.sh), or
# with the files named as arguments. It starts the 64-bit build, which runs
# on every machine; with --32 the 32-bit build, where this machine runs
# 32-bit programs. On a machine without a display it runs under Xvfb, saves
# a screenshot as build/win64/editor.png (build/win32/ with --32) once the
# waveform is drawn, and closes it again.
#   usage: tools/start-editor.sh [--32] [FILE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=win64
if [ "${1:-}" = --32 ]; then
  shift
  # shellcheck source=arch-probe.sh
  source "$root/tools/arch-probe.sh"
  if ! sondrel_runs_32bit; then
    echo "start-editor: the 32-bit editor cannot run here: $sondrel_32bit_why; start the 64-bit one (without --32)" >&2
    exit 1
  fi
  name=win32
fi
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" $name >/dev/null
build="$root/build/$name"
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
sondrel_wine_prefix
exe="$build/bin/sondrel.exe"
if [ $# = 0 ]; then
  sample="$build/sample.wav"
  if [ ! -f "$sample" ]; then
    bash "$root/tools/make-speech.sh" "$build/sample.raw" 44100 1 1
    sox -t raw -r 44100 -e signed-integer -b 16 -c 1 -L "$build/sample.raw" "$sample"
    rm -f "$build/sample.raw"
  fi
  set -- "$(winepath -w "$sample" 2>/dev/null)"
fi
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" "$@"
fi
echo "no display: running the editor under Xvfb for a screenshot" >&2
# Nobody can answer a question here: recovery data an earlier run of this
# build's editor left (it was killed) would stop the start at its prompt.
rm -f "$(sondrel_user_data)/"*.jnl
shot="$(winepath -w "$build/editor.png" 2>/dev/null)"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  exe=$1 probe=$2 shot=$3; shift 3
  wine "$exe" "$@" &
  pid=$!
  wine "$probe" shot "$shot" 120000 || echo "the editor showed no document" >&2
  # Closed as a user closes it: an editor killed here would leave its
  # recovery journal, and the next start would ask about it.
  if wine "$probe" close; then wait $pid 2>/dev/null || true; else echo "the editor did not close" >&2; fi
  wineserver -k
  wait $pid 2>/dev/null || true
' bash "$exe" "$build/bin/editorprobe.exe" "$shot" "$@"
echo "screenshot: $build/editor.png"
