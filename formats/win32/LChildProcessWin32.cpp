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
        if (hReadEnd) CloseHandle(hReadEnd);
    }

    // No application name: the system's search order finds the program,
    // beginning with the folder of the running program. With a reader, the
    // program's error output is the write end of a pipe, its other standard
    // handles the null device; only those handles are inheritable.
    bool Start(const std::string&, const std::vector<std::string>&, const std::string& commandLine) override {
        if (hProcess || commandLine.empty()) return false;
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
        HANDLE writeEnd = nullptr, nul = INVALID_HANDLE_VALUE;
        if (errorReader) {
            SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
            if (!CreatePipe(&hReadEnd, &writeEnd, &inherited, 65536)) return false;
            SetHandleInformation(hReadEnd, HANDLE_FLAG_INHERIT, 0);
            nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                              OPEN_EXISTING, 0, nullptr);
            si.dwFlags |= STARTF_USESTDHANDLES;
            si.hStdInput = nul;
            si.hStdOutput = nul;
            si.hStdError = writeEnd;
        }
        PROCESS_INFORMATION pi = {};
        BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, errorReader ? TRUE : FALSE,
                                      CREATE_NEW_CONSOLE, nullptr, nullptr, &si, &pi);
        // The child holds its own copies: the pipe ends when it does.
        if (writeEnd) CloseHandle(writeEnd);
        if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
        if (!started) {
            if (hReadEnd) CloseHandle(hReadEnd);
            hReadEnd = nullptr;
            return false;
        }
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
            Drain();  // once it has ended, to the last byte it wrote
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
    // Hands what the pipe holds to the reader, without waiting for more.
    void Drain() {
        char buffer[4096];
        DWORD ready = 0;
        while (hReadEnd && PeekNamedPipe(hReadEnd, nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
            DWORD got = 0;
            if (!ReadFile(hReadEnd, buffer, ready < sizeof buffer ? ready : DWORD(sizeof buffer), &got, nullptr) ||
                got == 0)
                break;
            errorReader(buffer, got);
        }
    }

    HANDLE hProcess = nullptr;
    HANDLE hReadEnd = nullptr;
    bool bRunning = false;
};

std::unique_ptr<LChildProcess> CreateWin32ChildProcess() { return std::make_unique<LWin32ChildProcess>(); }

}  // namespace

void InstallChildProcessLauncher() { pCreateChildProcess = CreateWin32ChildProcess; }

}  // namespace sondrel
