# Shared by the scripts that start the editor with a long file (source it
# with the build folder set): checks that the Windows build has the editor
# and its probe, makes the one-hour stereo WAV once in the build folder,
# and turns a path into the Windows path Wine gives it.
#   build=...; source "$(dirname "$0")/hour-file.sh"
probe=$build/bin/editorprobe.exe
[ -f "$probe" ] && [ -f "$build/bin/sondrel.exe" ] || { echo "no $probe: build a Windows tree first (tools/build.sh windows)" >&2; exit 1; }
data=$build/bench-editor
mkdir -p "$data"
hour=$data/hour.wav
[ -f "$hour" ] || sox -V1 -R -n -r 44100 -c 2 -b 16 "$hour" synth 3600 sine 300-3000 sine 440 tremolo 0.5 60 gain -6
win() { echo "Z:$1" | tr / '\\'; }
