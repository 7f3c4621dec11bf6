#!/usr/bin/env bash
# Runs a command under Wine with a private PulseAudio as the sound device,
# so that recording reads a known file: wave-in delivers INFILE (raw
# 16-bit samples, made with tools/make-speech.sh when it does not exist) at
# real time, then zeros; what is played lands in $SONDREL_WINE_HOME/play.raw.
# The PulseAudio server and its folder are removed afterwards, also when the
# command fails or the script is interrupted.
#   usage: tools/wine-record.sh BUILD_DIR INFILE COMMAND [ARGS...]
# The command sees SONDREL_RECORD_INFILE (the Unix path of INFILE) and
# SONDREL_WINE_HOME (the private home holding play.raw).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
infile=$2
shift 2
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1

if [ ! -s "$infile" ]; then
  mkdir -p "$(dirname "$infile")"
  bash "$root/tools/make-speech.sh" "$infile.part" && mv "$infile.part" "$infile" || exit 1
fi
infile=$(cd "$(dirname "$infile")" && pwd)/$(basename "$infile")

# A short path: the server's socket must fit a Unix socket name.
dir=$(mktemp -d /tmp/sondrel-rec.XXXXXX)
pulse_pid=
cleanup() {
  if [ -n "$pulse_pid" ]; then
    kill "$pulse_pid" 2>/dev/null
    wait "$pulse_pid" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cat > "$dir/pa.pa" <<PA
load-module module-null-sink sink_name=nullsink
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
PA
# Not in the default place and without PULSE_SERVER: Wine must keep using
# ALSA (its own PulseAudio driver would record silence). Should this script
# be killed outright, the server still ends 30 s after its last client.
HOME=$dir PULSE_RUNTIME_PATH=$dir XDG_RUNTIME_DIR=$dir \
  pulseaudio -n -F "$dir/pa.pa" --daemonize=no --exit-idle-time=30 --use-pid-file=no \
  >"$dir/pulse.log" 2>&1 </dev/null &
pulse_pid=$!
for _ in $(seq 100); do
  [ -S "$dir/native" ] && break
  kill -0 "$pulse_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$dir/native" ]; then
  echo "wine-record: PulseAudio did not start:" >&2
  cat "$dir/pulse.log" >&2
  exit 1
fi

cat > "$dir/.asoundrc" <<ASOUND
pcm.!default {
  type file
  slave.pcm { type pulse; server "unix:$dir/native" }
  file "$dir/play.raw"
  infile "$infile"
  format "raw"
}
ASOUND
export HOME=$dir SONDREL_WINE_HOME=$dir SONDREL_RECORD_INFILE=$infile
# When Wine's capture falls behind (a loaded machine), the file plugin
# cannot hand it the file's samples for that read and loses its place in
# the file; ALSA says so on stderr. Only then is the command run again.
for attempt in 1 2 3; do
  "$@" 2>"$dir/stderr.log"
  rc=$?
  cat "$dir/stderr.log" >&2
  if [ $rc -eq 0 ] || ! grep -q "requested more frames than pcm buffer" "$dir/stderr.log"; then
    exit $rc
  fi
  echo "wine-record: the input file lost its place (capture overrun); attempt $attempt of 3 failed" >&2
done
exit $rc
