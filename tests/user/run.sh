#!/usr/bin/env bash
# Runs one suite of the user-level tests under Wine with what it needs:
#   editor        input files made with sox and the editor's sound going to
#                 a file of its own; afterwards sox and mpg123 check what the
#                 editor saved and played
#   shared        the driver as it is, in the build's Wine prefix
#   record        each case on its own under tools/wine-record.sh: a private
#                 PulseAudio delivers speech with 1.5 s of silence before it
#                 (made once with tools/make-speech.sh); a capture overrun on
#                 a busy machine, which wine-record.sh detects and retries,
#                 then costs one case's time
#   recovery      phases in a fresh Wine prefix of their own, every program
#                 of the prefix ended by `wineserver -k` between them, as a
#                 crash or a power cut would end them
#   fresh-prefix  the driver in a fresh Wine prefix of its own (the
#                 installer's cases change the machine), removed afterwards
#   usage: run.sh MODE BUILD_DIR DRIVER_EXE [gtest arguments...]
# Run inside an X display with the build's Wine (tools/wine-ctest.sh).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
mode=$1
build=$(cd "$2" && pwd)
driver=$3
shift 3
# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1

# A Wine prefix of the suite's own under the build folder, made afresh.
fresh_prefix() {
  export WINEPREFIX="$build/testwork/$1-prefix"
  rm -rf "$WINEPREFIX"
  mkdir -p "$build/testwork"
  sondrel_wine_start
}
end_prefix() {
  sondrel_wine_stop
  rm -rf "$WINEPREFIX"
}

# The drivers' scratch folders go below the build's test work folder.
mkdir -p "$build/testwork/user"
cd "$build/testwork/user" || exit 1

case $mode in
  shared)
    wine "$driver" "$@" </dev/null
    ;;

  fresh-prefix)
    fresh_prefix user
    wine "$driver" "$@" </dev/null
    rc=$?
    end_prefix
    exit $rc
    ;;

  record)
    infile=$build/testwork/speech-lead-44100-1.raw
    if [ ! -s "$infile" ]; then
      bash "$root/tools/make-speech.sh" "$infile.part" 44100 1 6 1.5 && mv "$infile.part" "$infile" || exit 1
    fi
    cases=$(wine "$driver" --gtest_list_tests "$@" </dev/null | tr -d '\r' |
            awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }')
    [ -n "$cases" ] || { echo "run.sh: no test cases listed" >&2; exit 1; }
    rc=0
    for c in $cases; do
      bash "$root/tools/wine-record.sh" "$build" "$infile" wine "$driver" --gtest_filter="$c" </dev/null || rc=1
    done
    exit $rc
    ;;

  recovery)
    fresh_prefix recovery
    work="$build/testwork/recovery"
    export SONDREL_RECOVERY_WORK="$work"
    rm -rf "$work"
    mkdir -p "$work/data"
    fail() {
      echo "run.sh recovery: $*" >&2
      end_prefix
      exit 1
    }
    phase() {
      wine "$driver" --gtest_filter="Recovery.$1" </dev/null || fail "$1 failed"
    }
    # The editor makes the edit and is left running; `wineserver -k` then
    # ends it with no chance to clear up.
    edit_and_kill() {
      phase Edit
      wineserver -k
      wineserver -w
      ls "$work/data"/*.jnl >/dev/null 2>&1 || fail "no journal was left by the killed editor"
      ls "$work/data"/*.aud >/dev/null 2>&1 || fail "no audio was left by the killed editor"
      sondrel_wine_start
    }
    phase PrepareInput
    edit_and_kill
    phase RecoverAfterKill
    edit_and_kill
    phase DiscardAfterKill
    end_prefix
    echo "run.sh recovery: passed"
    ;;

  editor)
    work="$build/testwork/user-editor"
    rm -rf "$work"
    mkdir -p "$work/home"
    cd "$work" || exit 1
    # Inputs: ten seconds of a stereo tone pair at 44100 Hz, two files of two
    # seconds, one of them named in Cyrillic and CJK letters, and a copy of the
    # first that the tests change.
    sox -V1 -n -r 44100 -b 16 -c 2 tone.wav synth 10 sine 330 sine 550 tremolo 2 40 gain -8
    sox -V1 -n -r 44100 -b 16 -c 2 other.wav synth 2 sine 440 gain -10
    sox -V1 -n -r 22050 -b 16 -c 1 'Звук 東京.wav' synth 2 sine 660 gain -10
    cp tone.wav work.wav
    # An audio CD image for the ASPI test double: tracks of 150, 100, 40 and 60
    # sectors of 588 frames, the last one's audio 100 frames short of its last
    # sector (padded with silence on the disc).
    for t in 1:150:0:440 2:100:0:550 3:40:0:660 4:60:100:770; do
      IFS=: read -r n sectors short hz <<<"$t"
      sox -V1 -r 44100 -c 2 -n -b 16 "cd$n.wav" synth "$((sectors * 588 - short))s" sine "$hz" whitenoise gain -6
    done
    bash "$root/tools/cdimage/make-cd-image.sh" disc.cue cd1.wav cd2.wav cd3.wav cd4.wav 2>/dev/null
    rm -f cd?.wav

    # The editor's sound goes to play.raw here (ALSA reads $HOME/.asoundrc);
    # the driver keeps what the Play case played as played.raw.
    cat > home/.asoundrc <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$work/play.raw"; format "raw" }
ASOUND
    HOME="$work/home" USER_DIR="$(winepath -w "$work" 2>/dev/null)" wine "$driver" "$@" </dev/null
    rc=$?
    [ $rc = 0 ] || { echo "the driver failed ($rc)"; exit $rc; }

    fail=0
    same() {  # same WHAT A B: the two hold the same samples
      if cmp -s <(sox "$2" -t raw -) <(sox "$3" -t raw -); then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi
    }
    # Rotated by cut and paste: the last eight seconds, then the first two.
    sox tone.wav end.wav trim 2
    sox tone.wav start.wav trim 0 2
    sox end.wav start.wav expect-rotated.wav
    same "cut and pasted" rotated.wav expect-rotated.wav
    same "undone twice" undone.wav tone.wav
    # Amplified to 50 % over the first two seconds (the editor halves with an
    # arithmetic shift, sox rounds: at most one step apart), then trimmed at 5 s
    # and saved through the prompt at exit.
    sox tone.wav half.wav trim 0 2 vol 0.5
    sox tone.wav rest.wav trim 2 3
    sox half.wav rest.wav expect-amplified.wav
    if [ "$(soxi -s amplified.wav)" = "$((5 * 44100))" ] &&
       sox -m -v 1 amplified.wav -v -1 expect-amplified.wav -n stat 2>&1 |
         awk '/Maximum amplitude/ { exit !($3 <= 2/32768) }'; then
      echo "ok: amplified, trimmed and saved at exit"
    else
      echo "FAILED: amplified, trimmed and saved at exit"; fail=1
    fi
    same "saved and opened again" reopened.wav amplified.wav
    same "a non-Latin name opened and saved" 'Копия 東京.wav' 'Звук 東京.wav'
    [ "$(soxi -r 'Копия 東京.wav')" = 22050 ] || { echo "FAILED: the copy's rate"; fail=1; }
    # The MP3 decodes to the copy's rate and channels, its length (the
    # encoder's delay and padding may stay on: at most two frames of 1152) and
    # the tone's level over a second in the middle (within 1 dB: the encoder
    # itself takes 0.44 dB off this tone at this rate).
    rms() { sox "$1" -n trim 0.5 1 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
    if mpg123 -q -w copy-decoded.wav copy.mp3 && [ "$(soxi -r copy-decoded.wav)" = 22050 ] &&
       [ "$(soxi -c copy-decoded.wav)" = 1 ] && n=$(soxi -s copy-decoded.wav) && [ "$n" -ge 44100 ] &&
       [ "$n" -le $((44100 + 2304)) ] &&
       awk -v a="$(rms 'Копия 東京.wav')" -v b="$(rms copy-decoded.wav)" \
         'BEGIN { d = 20 * log(b / a) / log(10); exit !(d > -1 && d < 1) }'; then
      echo "ok: saved as MP3 through the encoder ($n samples)"
    else
      echo "FAILED: saved as MP3 through the encoder"; fail=1
    fi
    same "No at the prompt left the file alone" work.wav tone.wav
    # Played: exactly the selection from 7 s to the end, then only silence.
    sox tone.wav -t raw played-expect.raw trim 7
    n=$(stat -c %s played-expect.raw)
    if cmp -s -n "$n" played.raw played-expect.raw &&
       [ -z "$(tail -c +$((n + 1)) played.raw | tr -d '\000' | head -c 1)" ]; then
      echo "ok: played exactly the selection ($n bytes)"
    else
      echo "FAILED: played audio differs from the selection"; fail=1
    fi
    # The disc's last track as the editor saved it: exactly the disc's samples
    # of its 60 sectors (from sector 290 to the lead-out at 350), read without
    # one request reaching past the lead-out, none failing or refused.
    if [ "$(soxi -r cdtrack4.wav)" = 44100 ] && [ "$(soxi -c cdtrack4.wav)" = 2 ] &&
       cmp -s <(sox cdtrack4.wav -t raw -) <(tail -c +$((290 * 2352 + 1)) disc.bin); then
      echo "ok: CD track imported and saved with the disc's samples"
    else
      echo "FAILED: CD track imported and saved with the disc's samples"; fail=1
    fi
    if grep -q '^read ' aspi.log && ! grep -Eq '^bad |status=4' aspi.log &&
       awk '/^read / { split($3, a, "="); split($4, c, "="); if (a[2] + c[2] > 350) exit 1 }' aspi.log &&
       grep -q "^read drive=0 lba=$((350 - 60 % 24)) count=$((60 % 24)) status=1" aspi.log; then
      echo "ok: CD reads stopped at the lead-out"
    else
      echo "FAILED: CD reads stopped at the lead-out"; cat aspi.log; fail=1
    fi
    [ -f "$build/editor-with-file.png" ] && echo "screenshot: $build/editor-with-file.png"
    exit $fail
    ;;

  *)
    echo "run.sh: unknown mode '$mode' (editor, shared, record, recovery or fresh-prefix)" >&2
    exit 2
    ;;
esac
