#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it under Wine. On a
# machine without a display it runs under Xvfb, saves a screenshot as
# build/win32/editor.png, and closes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" win32 >/dev/null
build="$root/build/win32"
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh" "$build"
sondrel_wine_prefix
exe="$build/bin/sondrel.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" "$@"
fi
echo "no display: running the editor under Xvfb for a screenshot" >&2
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wine "$0" "${@:1}" &
  pid=$!
  sleep 6
  import -window root "'"$build"'/editor.png"
  wineserver -k
  wait $pid 2>/dev/null || true
' "$exe" "$@"
echo "screenshot: $build/editor.png"
