# Sourced: tells whether this machine's kernel runs 32-bit x86 programs.
# Some machines of ours run none ("Exec format error" for every i386 ELF
# file), and there no 32-bit Wine can start. The answer comes from running
# one: a 93-byte static i386 program that only exits 0.
#   sondrel_runs_32bit        exit 0 when a 32-bit program ran
#   sondrel_32bit_why         why not, in a few words (after a failed probe)
sondrel_32bit_why=""
sondrel_runs_32bit() {
  local dir probe rc
  dir=$(mktemp -d)
  probe="$dir/probe32"
  # ELF header, one PT_LOAD program header, then: mov eax,1; xor ebx,ebx; int 0x80
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
  printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
  printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
  printf '\270\001\000\000\000\061\333\315\200' >>"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1
  rc=$?
  rm -rf "$dir"
  case $rc in
    0) sondrel_32bit_why=""; return 0 ;;
    126) sondrel_32bit_why="this machine's kernel runs no 32-bit programs (Exec format error)" ;;
    *) sondrel_32bit_why="a 32-bit test program failed with exit code $rc" ;;
  esac
  return 1
}

# The Windows build folders under ROOT/build that exist and can run here:
# the 64-bit one always, the 32-bit one where a 32-bit program runs.
#   sondrel_runnable_windows_builds ROOT
sondrel_runnable_windows_builds() {
  [ -f "$1/build/win64/windows-cpu.txt" ] && echo "$1/build/win64"
  [ -f "$1/build/win32/windows-cpu.txt" ] && sondrel_runs_32bit && echo "$1/build/win32"
  return 0
}
