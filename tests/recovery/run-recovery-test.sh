#!/usr/bin/env bash
# Crash recovery under Wine: an edit, the program ended without warning by
# `wineserver -k`, and a new start that recovers (and, a second time,
# discards) what the killed run left. Runs in a fresh Wine prefix of its own
# under the build folder, removed afterwards.
#   usage: run-recovery-test.sh BUILD_DIR HOST_EXE DRIVER_EXE
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
host=$2
driver=$3
# shellcheck source=../../tools/wine-env.sh
source "$root/tools/wine-env.sh" "$build" || exit 1
export WINEPREFIX="$build/testwork/recovery-prefix"
work="$build/testwork/recovery"
export SONDREL_RECOVERY_WORK="$work"
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work/data"
data=$(winepath -w "$work/data" 2>/dev/null || echo "Z:${work//\//\\}\\data")

fail() {
  echo "run-recovery-test: $*" >&2
  sondrel_wine_stop
  exit 1
}

drive() {
  wine "$driver" --gtest_filter="RecoveryDrive.$1" </dev/null || fail "$1 failed"
}

# One run of the host that edits in.wav and is killed once its journal is
# on the disk: `wineserver -k` ends it as a crash or a power cut would, with
# no chance to clear up.
edit_and_kill() {
  rm -f "$work/ready"
  wine "$host" edit "$data" "$(winepath -w "$work/in.wav")" </dev/null >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 1 600); do
    [ -f "$work/ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -f "$work/ready" ] || fail "the host did not finish its edit"
  wineserver -k
  wineserver -w
  wait "$pid" 2>/dev/null
  ls "$work/data"/*.jnl >/dev/null 2>&1 || fail "no journal was left by the killed host"
  ls "$work/data"/*.aud >/dev/null 2>&1 || fail "no audio was left by the killed host"
  sondrel_wine_start
}

sondrel_wine_start
drive PrepareInput
edit_and_kill
drive RecoverAfterKill
edit_and_kill
drive DiscardAfterKill
sondrel_wine_stop
rm -rf "$WINEPREFIX"
echo "run-recovery-test: passed"
