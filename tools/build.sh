#!/usr/bin/env bash
# Configures and builds: tools/build.sh [native|asan|fuzz|win32|win64|windows|all]
#   native  g++ Release: engine, tests, benchmarks, command-line tools
#   asan    g++ with address and undefined-behaviour sanitizers: the same tests
#   fuzz    clang with libFuzzer: the fuzz targets
#   win32   mingw-w64 i686 (32-bit): sondrel.exe and the tests that run under Wine
#   win64   mingw-w64 x86_64 (64-bit): the same program and tests
#   windows both Windows builds
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
jobs=$(nproc)
# ccache, when present, shares compiled objects between builds and checkouts
# (paths below the checkout are hashed relative to it).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
want() { [ "$what" = "$1" ] || [ "$what" = all ] || { [ "$what" = windows ] && [[ $1 == win* ]]; }; }
if want native; then
  cmake -S "$root" -B "$root/build/native" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi
if want asan; then
  cmake -S "$root" -B "$root/build/asan" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONDREL_SANITIZE=ON >/dev/null
  cmake --build "$root/build/asan" -j"$jobs"
fi
if want fuzz; then
  cmake -S "$root" -B "$root/build/fuzz" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONDREL_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$root/build/fuzz" -j"$jobs"
fi
# SONDREL_PRODUCT_ONLY=1 builds only what a user installs (the editor, the
# command-line tool, the installer and the manual), not the test programs:
# CI asks for that where the build's tests cannot run.
windows() {  # build folder, processor
  cmake -S "$root" -B "$root/build/$1" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$2.cmake" >/dev/null
  if [ "${SONDREL_PRODUCT_ONLY:-0}" = 1 ]; then
    cmake --build "$root/build/$1" -j"$jobs" --target sondrel sondrel-cli sondrel_setup sondrel_manual
  else
    cmake --build "$root/build/$1" -j"$jobs"
  fi
}
if want win64; then windows win64 x86_64; fi
if want win32; then windows win32 i686; fi
