#!/usr/bin/env bash
# Runs the record dialog's driver tests with the private PulseAudio of
# tools/wine-record.sh delivering speech with 1.5 s of silence before it
# (made once with tools/make-speech.sh). Each case runs on its own, so that
# a capture overrun on a busy machine (which wine-record.sh detects and
# retries) costs one case's time, not all of them.
#   usage: run-record-ui.sh BUILD_DIR DRIVER_EXE [gtest arguments...]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
driver=$2
shift 2
infile=$build/testwork/speech-lead-44100-1.raw
if [ ! -s "$infile" ]; then
  bash "$root/tools/make-speech.sh" "$infile.part" 44100 1 6 1.5 && mv "$infile.part" "$infile" || exit 1
fi
# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
cases=$(wine "$driver" --gtest_list_tests "$@" </dev/null | tr -d '\r' |
        awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }')
[ -n "$cases" ] || { echo "run-record-ui: no test cases listed" >&2; exit 1; }
rc=0
for c in $cases; do
  bash "$root/tools/wine-record.sh" "$build" "$infile" wine "$driver" --gtest_filter="$c" </dev/null || rc=1
done
exit $rc
