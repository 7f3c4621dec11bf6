#include "formats/win32/LChildProcessWin32.h"

#include <windows.h>

#include <vector>

#include "formats/LChildProcess.h"

namespace sondrel {

namespace {

class LWin32ChildProcess : public LChildProcess {
public:
    ~LWin32ChildProcess() override {
        Kill();
        if (hProcess) CloseHandle(hProcess);
    }

    // No application name: the system's search order finds the program,
    // beginning with the folder of the running program.
    bool Start(const std::string&, const std::vector<std::string>&, const std::string& commandLine) override {
        if (hProcess || commandLine.empty()) return false;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &si,
                            &pi))
            return false;
        CloseHandle(pi.hThread);
        hProcess = pi.hProcess;
        bRunning = true;
        return true;
    }

    // Wakes for the process's end or for any message of the thread, which
    // IsCancelled then dispatches (a wake-up at least every 100 ms keeps a
    // progress that dispatches nothing from spinning).
    WaitResult Wait(LProgress* progress, int& exitCode) override {
        exitCode = -1;
        while (bRunning) {
            DWORD r = MsgWaitForMultipleObjects(1, &hProcess, FALSE, 100, QS_ALLINPUT);
            if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0 || r == WAIT_FAILED) {
                bRunning = false;
                DWORD code = DWORD(-1);
                if (r != WAIT_FAILED && GetExitCodeProcess(hProcess, &code)) exitCode = int(code);
                return kEnded;
            }
            if (progress && progress->IsCancelled()) return kCancelled;
        }
        return kEnded;
    }

    void Kill() override {
        if (!bRunning) return;
        TerminateProcess(hProcess, 1);
        WaitForSingleObject(hProcess, 10000);
        bRunning = false;
    }

private:
    HANDLE hProcess = nullptr;
    bool bRunning = false;
};

std::unique_ptr<LChildProcess> CreateWin32ChildProcess() { return std::make_unique<LWin32ChildProcess>(); }

}  // namespace

void InstallChildProcessLauncher() { pCreateChildProcess = CreateWin32ChildProcess; }

}  // namespace sondrel
