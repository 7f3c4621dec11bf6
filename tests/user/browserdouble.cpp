// Stands in for the user's web browser in the tests of Help: registered as
// the program that opens .html files, it appends the command line it was
// started with to the file SONDREL_TEST_ARGS_LOG names, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("SONDREL_TEST_ARGS_LOG", log, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    DWORD written = 0;
    const bool ok = WriteFile(h, line.data(), DWORD(line.size()), &written, nullptr) && written == line.size();
    CloseHandle(h);
    return ok ? 0 : 1;
}
