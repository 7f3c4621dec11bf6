# Shared by the peer-timing scripts (source it): the checkout's root, a check
# that the peer programs are installed, and the wall time of a command.
#   source "$(dirname "$0")/timing.sh"
# Each script times ours and the peer's program on the same input in the same
# run, alternating, and reports medians; figures belong to the machine.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# need PROGRAM...: stops the script when one is not installed.
need() {
  local p
  for p in "$@"; do
    command -v "$p" >/dev/null || { echo "$p is not installed" >&2; exit 1; }
  done
}

# elapsed_ms COMMAND...: runs it (its output discarded) and prints its wall
# time in milliseconds; a failing command is reported on stderr.
elapsed_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
  t1=$(date +%s%N)
  awk -v n=$((t1 - t0)) 'BEGIN { printf "%.3f\n", n / 1e6 }'
}

# median: the median of the numbers on stdin, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# time_cmd LABEL COMMAND...: prints "LABEL MS", the median of $reps runs.
time_cmd() {
  local label=$1 i
  shift
  for ((i = 0; i < reps; i++)); do elapsed_ms "$@"; done | median | awk -v l="$label" '{ printf "%s %.1f\n", l, $1 }'
}
