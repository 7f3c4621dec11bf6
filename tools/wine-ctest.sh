#!/usr/bin/env bash
# Runs the Windows build's CTest under Wine (call inside an X display, e.g.
# from xvfb-run): persistent primed wineserver, private prefix and audio.
#   usage: tools/wine-ctest.sh BUILD_DIR [ctest arguments...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd); shift
# shellcheck source=wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
sondrel_wine_start
(cd "$build" && ctest --output-on-failure "$@")
rc=$?
sondrel_wine_stop
exit $rc
