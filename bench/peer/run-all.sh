#!/usr/bin/env bash
# Every measurement against the peers in one command: builds the native tree,
# then runs each comparison script in turn (each times ours and the peer's
# program on the same generated input in the same run, alternating and
# repeating, and prints medians and ratios), and the edit-operation benchmark
# on one-minute and one-hour documents. Figures belong to the machine they
# were measured on; the README keeps one dated table of the main ones.
#   bench/peer/run-all.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/tools/build.sh" native >/dev/null || exit 1
build=$root/build/native
echo "machine: $(nproc) cores, $(uname -m), $(date -u +%Y-%m-%d)"
section() { echo; echo "== $1 =="; }
section "whole processes: WAV copy, MP3 and GSM decode, GSM encode, vs sox, mpg123, untoast, toast"
bash "$root/bench/peer/whole-process.sh" "$build"
section "open WAV into a document and save, vs cp";   bash "$root/bench/peer/document-vs-cp.sh" "$build"
section "WAV copy and rate change, vs sox";            bash "$root/bench/peer/wav-vs-sox.sh" "$build"
section "resampling 44100 -> 48000, vs sox rate";      bash "$root/bench/peer/resample-vs-sox.sh"
section "MP3 decoding, vs mpg123";                     bash "$root/bench/peer/mp3-vs-mpg123.sh" "$build"
section "FLAC and Ogg Vorbis, vs flac and oggdec";       bash "$root/bench/peer/codecs-vs-peers.sh" "$build"
section "Save As MP3, vs the encoder alone";           bash "$root/bench/peer/mp3save-vs-lame.sh"
section "GSM encoding and decoding, vs toast/untoast"; bash "$root/bench/peer/gsm-vs-toast.sh" "$build"
section "echo, reverb, high-pass, equaliser, vs sox";  bash "$root/bench/peer/effects-vs-sox.sh" "$build"
section "compressor, gate, tempo, pitch, vs sox";      bash "$root/bench/peer/dynamics-vs-sox.sh"
section "time stretch: pitch, speech and time, vs sox tempo"; bash "$root/bench/peer/stretch-vs-sox.sh"
section "edit operations, one minute vs one hour"
"$build/bench/bench_cutlist_edit" --benchmark_format=console 2>/dev/null | grep -vE '^-+$'
section "waveform overview of a one-hour document after an edit, summaries vs every sample"
"$build/bench/bench_waveform_overview" --benchmark_format=console 2>/dev/null | grep -vE '^-+$'
# The Windows builds that can run here: the 64-bit one, and the 32-bit one
# where this machine runs 32-bit programs.
# shellcheck source=../../tools/arch-probe.sh
source "$root/tools/arch-probe.sh"
mapfile -t windows < <(sondrel_runnable_windows_builds "$root")
[ ${#windows[@]} -gt 0 ] || echo "(no Windows build to run under Wine here: tools/build.sh windows)"
for win in "${windows[@]}"; do
  arch=$(cat "$win/windows-cpu.txt")
  if [ -f "$win/bin/editorprobe.exe" ]; then
    section "CD import of a 60-minute disc through the ASPI test double, under Wine ($arch)"
    bash "$root/bench/peer/cd-import.sh" "$win"
  fi
  section "whole processes under Wine, vs the native peers ($arch)"
  bash "$root/bench/peer/whole-process.sh" "$win"
  section "editor start with a one-hour WAV to the waveform drawn, under Wine, vs cp ($arch)"
  bash "$root/bench/peer/editor-open.sh" "$win"
  section "editor memory with the one-hour WAV open, under Wine ($arch)"
  bash "$root/bench/peer/editor-memory.sh" "$win"
  section "player and recorder workers under Wine, CPU per second of audio ($arch)"
  bash "$root/bench/peer/devices-under-wine.sh" "$win"
done
