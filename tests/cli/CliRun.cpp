#include "cli/CliRun.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/TestUtil.h"

namespace sondrel::test {

int RunCli(const std::vector<std::string>& args) {
#ifdef _WIN32
    std::string exe = SONDREL_CLI;
    if (!exe.empty() && exe[0] == '/') {
        exe = "Z:" + exe;
        for (char& c : exe)
            if (c == '/') c = '\\';
    }
    std::string cmd = "\"" + exe + "\" --quiet";
    for (const auto& a : args) cmd += " \"" + a + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
#else
    std::string cmd = std::string("'") + SONDREL_CLI + "' --quiet";
    for (const auto& a : args) cmd += " '" + a + "'";
    return RunCommand(cmd + " 2>/dev/null");
#endif
}

}  // namespace sondrel::test
