#!/usr/bin/env bash
# Runs the drive tests in a fresh Wine prefix of their own under the build
# folder (so the shared test prefix stays as it is), then removes it.
#   usage: run-drive-tests.sh BUILD_DIR DRIVER_EXE [gtest arguments...]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
driver=$2
shift 2
# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
export WINEPREFIX="$build/testwork/drive-prefix"
rm -rf "$WINEPREFIX"
mkdir -p "$build/testwork"
sondrel_wine_start
wine "$driver" "$@" </dev/null
rc=$?
sondrel_wine_stop
rm -rf "$WINEPREFIX"
exit $rc
