#!/usr/bin/env bash
# The memory the editor holds (the Windows build under Wine) with the
# one-hour stereo WAV of editor-open.sh open and drawn: the resident size of
# the sondrel.exe process, now and at its peak (during the load), beside
# the same process with no file open. What the document holds is the
# difference.
#   bench/peer/editor-memory.sh [build dir (build/win64)]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
# shellcheck source=hour-file.sh
source "$(dirname "$0")/hour-file.sh"
# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
sondrel_wine_start
trap sondrel_wine_stop EXIT
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1024x768x24")

# One editor with the file (or none): waits until it is drawn (or 5 s
# without a file), prints "rss_kib peak_kib" of its process, closes it.
measure() {
  "${display[@]}" bash -c '
    rm -f "$4/"*.aud "$4/"*.pks "$4/"*.jnl 2>/dev/null
    # The loader becomes the program: this process is the editor.
    if [ -n "$3" ]; then wine "$1/bin/sondrel.exe" "$3" & else wine "$1/bin/sondrel.exe" & fi
    pid=$!
    if [ -n "$3" ]; then wine "$2" shot "$1/bench-editor/memory.png" 600000 >/dev/null 2>&1; else sleep 5; fi
    awk "/VmRSS|VmHWM/ { v[\$1] = \$2 } END { print v[\"VmRSS:\"], v[\"VmHWM:\"] }" "/proc/$pid/status"
    if [ -n "$3" ]; then wine "$2" close >/dev/null 2>&1; else kill "$pid"; fi
    wait "$pid"
  ' _ "$build" "$probe" "$1" "$(sondrel_user_data)" 2>/dev/null </dev/null || true
}
idle=$(measure "")
open=$(measure "$(win "$hour")")
[ -n "$idle" ] && [ -n "$open" ] || { echo "the editor did not start or show the file" >&2; exit 1; }
read -r idle_rss idle_peak <<<"$idle"
read -r open_rss open_peak <<<"$open"
awk -v a="$idle_rss" -v b="$idle_peak" -v c="$open_rss" -v d="$open_peak" 'BEGIN {
  printf "no file:       resident %6.1f MiB, peak %6.1f MiB\n", a / 1024, b / 1024
  printf "one-hour WAV:  resident %6.1f MiB, peak %6.1f MiB\n", c / 1024, d / 1024
  printf "the document holds %.1f MiB (peak %.1f MiB during its load)\n", (c - a) / 1024, (d - b) / 1024
}'
