#!/usr/bin/env bash
# Every measurement against the peers in one command: builds the native tree,
# then runs each comparison script in turn (each times ours and the peer's
# program on the same generated input in the same run, alternating and
# repeating, and prints medians and ratios), and the edit-operation benchmark
# on one-minute and one-hour documents. Figures belong to the machine they
# were measured on; keep them out of the repository.
#   tools/bench/run-all.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/tools/build.sh" native >/dev/null || exit 1
build=$root/build/native
echo "machine: $(nproc) cores, $(uname -m), $(date -u +%Y-%m-%d)"
section() { echo; echo "== $1 =="; }
section "open WAV into a document and save, vs cp";   bash "$root/tools/bench/document-vs-cp.sh" "$build"
section "WAV copy and rate change, vs sox";            bash "$root/tools/bench/wav-vs-sox.sh" "$build"
section "resampling 44100 -> 48000, vs sox rate";      bash "$root/tools/bench/resample-vs-sox.sh"
section "MP3 decoding, vs mpg123";                     bash "$root/tools/bench/mp3-vs-mpg123.sh" "$build"
section "GSM encoding and decoding, vs toast/untoast"; bash "$root/tools/bench/gsm-vs-toast.sh" "$build"
section "echo, reverb, high-pass, equaliser, vs sox";  bash "$root/tools/bench/effects-vs-sox.sh" "$build"
section "compressor, gate, tempo, pitch, vs sox";      bash "$root/tools/bench/dynamics-vs-sox.sh"
section "time stretch: pitch, speech and time, vs sox tempo"; bash "$root/tools/bench/stretch-vs-sox.sh"
section "edit operations, one minute vs one hour"
"$build/bench/bench_cutlist_edit" --benchmark_format=console 2>/dev/null | grep -vE '^-+$'
