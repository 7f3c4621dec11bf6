#!/usr/bin/env bash
# Installs what is missing, builds every build and runs every test: the
# native tests, the same tests under the sanitizers, a bounded run of each
# fuzz target, and the Windows builds' tests under Wine and Xvfb: the 64-bit
# build's everywhere, the 32-bit build's wherever this machine runs 32-bit
# programs (found out by running one, tools/arch-probe.sh).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
# shellcheck source=arch-probe.sh
source "$root/tools/arch-probe.sh"

bash "$root/tools/setup.sh" || exit 1
for build in native asan fuzz win64; do bash "$root/tools/build.sh" $build || exit 1; done
# The 32-bit build compiles at the lowest priority while the tests below
# run: most of the Windows tests' time is spent waiting on windows, and the
# kernel gives the waiting tests the processor first when they need it.
# Where its tests cannot run, only its program, installer and command-line
# tool are built.
win32_product=1
sondrel_runs_32bit && win32_product=0
SONDREL_PRODUCT_ONLY=$win32_product nice -n 19 bash "$root/tools/build.sh" win32 >"$root/build/win32-build.log" 2>&1 &
win32_build=$!

status=0
run() {  # name, command...
  local name=$1; shift
  echo "== $name tests =="
  "$@" 2>&1 | tee "$root/build/$name-ctest.log"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
}
run native bash -c "cd '$root/build/native' && ctest --output-on-failure -j2"
run asan bash -c "cd '$root/build/asan' && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2"
run fuzz bash -c "cd '$root/build/fuzz' && ctest --output-on-failure -j2"
windows=(win64)
run win64 xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/tools/wine-ctest.sh" "$root/build/win64"
echo "== win32 build =="
win32_built=1
if ! wait $win32_build; then
  tail -n 40 "$root/build/win32-build.log"
  echo "the 32-bit Windows build (win32) failed: build/win32-build.log"
  win32_built=0 status=1
fi
if [ $win32_built = 1 ] && sondrel_runs_32bit; then
  windows+=(win32)
  run win32 xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/tools/wine-ctest.sh" "$root/build/win32"
  not_run=""
elif [ $win32_built = 1 ]; then
  not_run="the 32-bit Windows build (win32): its program, installer and command-line tool were built; its tests were neither built nor run: $sondrel_32bit_why"
else
  not_run="the 32-bit Windows build (win32) did not build, so its tests did not run"
fi

echo "== every build tested in $(( $(date +%s) - start )) s =="
# One closing line over all builds (CTest's own summaries are above).
passed=0; failed=0; skipped=0
for name in native asan fuzz "${windows[@]}"; do
  log="$root/build/$name-ctest.log"
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    grep -q 'No tests were found' "$log" && [ "$name" = fuzz ] && continue
    echo "no CTest summary for the $name build"; status=1; continue
  fi
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  # CTest counts a skipped test as passed; tell them apart.
  k=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)$' "$log")
  passed=$((passed + t - f - k)); failed=$((failed + f)); skipped=$((skipped + k))
done
[ "$failed" = 0 ] || status=1
echo "Windows builds tested: ${windows[*]}"
[ -z "$not_run" ] || echo "$not_run"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
