// The Windows launcher of child processes: CreateProcess with a hidden
// window in a new console, waited for with the thread's messages pumped
// (through the progress's IsCancelled), TerminateProcess on Cancel. The
// program installs it once at start-up (see formats/LChildProcess.h).
#pragma once

namespace sondrel {

void InstallChildProcessLauncher();

}  // namespace sondrel
