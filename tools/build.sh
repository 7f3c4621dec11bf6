#!/usr/bin/env bash
# Configures and builds one or both builds: tools/build.sh [native|win32|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
jobs=$(nproc)
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/win32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$root/build/win32" -j"$jobs"
fi
