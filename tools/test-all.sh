#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test: the
# native tests directly, the Windows build's tests under Wine and Xvfb.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)

bash "$root/tools/setup.sh" || exit 1
bash "$root/tools/build.sh" all || exit 1

status=0
echo "== native tests =="
(cd "$root/build/native" && ctest --output-on-failure -j2) 2>&1 | tee "$root/build/native-ctest.log"
[ "${PIPESTATUS[0]}" = 0 ] || status=1

echo "== Windows build tests (Wine) =="
xvfb-run -a -s "-screen 0 1024x768x24" bash "$root/tools/wine-ctest.sh" "$root/build/win32" 2>&1 | tee "$root/build/win32-ctest.log"
[ "${PIPESTATUS[0]}" = 0 ] || status=1

echo "== both builds tested in $(( $(date +%s) - start )) s =="
# One closing line over both builds (CTest's own summaries are above).
passed=0; failed=0
for log in "$root/build/native-ctest.log" "$root/build/win32-ctest.log"; do
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then status=1; continue; fi
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
done
[ "$failed" = 0 ] || status=1
echo "tests: $passed passed, $failed failed"
exit $status
