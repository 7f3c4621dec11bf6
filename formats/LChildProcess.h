// Running an outside program (the MP3 encoder) as a hidden child process and
// waiting for it while the progress dialog stays responsive. The engine sees
// only this small interface: the Windows build starts the program with
// CreateProcess, the native build with posix_spawn, and tests install
// launchers of their own.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/LProgress.h"

namespace sondrel {

class LChildProcess {
public:
    enum WaitResult { kEnded, kCancelled };

    using OutputReader = std::function<void(const char* data, size_t bytes)>;

    virtual ~LChildProcess() = default;

    // Where the program's error output goes: each piece as it arrives, on
    // the thread that runs Wait. Set before Start; without a reader the
    // output is thrown away.
    void SetErrorReader(OutputReader reader) { errorReader = std::move(reader); }

    // Starts program with args, hidden, inheriting no handles but the error
    // reader's pipe and the null device for its other standard handles.
    // commandLine is the same call as one Windows command line (the program
    // followed by the arguments, quoted where needed): launchers that take a
    // command line use it, the others use program and args. False when the program
    // cannot be started (missing, not executable).
    virtual bool Start(const std::string& program, const std::vector<std::string>& args,
                       const std::string& commandLine) = 0;
    // Waits, with no time limit, until the process ends (kEnded, exitCode
    // set) or progress reports Cancel (kCancelled; the process still runs).
    virtual WaitResult Wait(LProgress* progress, int& exitCode) = 0;
    // Ends a running process at once and waits until it is gone, so that
    // its files are closed.
    virtual void Kill() = 0;

protected:
    OutputReader errorReader;
};

// Makes a launcher. The native build installs the POSIX one by default; the
// Windows program installs its own at start-up (the engine library cannot
// call into the platform library directly). Null when none is installed.
using LChildProcessFactory = std::unique_ptr<LChildProcess> (*)();
extern LChildProcessFactory pCreateChildProcess;
std::unique_ptr<LChildProcess> CreateChildProcess();

}  // namespace sondrel
