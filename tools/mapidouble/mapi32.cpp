// A stand-in for Simple MAPI's "MAPI32.DLL" in tests. MAPISendDocuments
// appends one line per call to the file named by SONDREL_MAPI_LOG:
//   delimiter <TAB> full paths <TAB> file names
// and returns the number in SONDREL_MAPI_RESULT (0, success, when unset), so
// a test can make the "mail program" refuse. Loaded as the real library is
// (LoadLibrary "MAPI32.DLL" from the program's folder; under Wine with
// WINEDLLOVERRIDES="mapi32=n,b").
#include <windows.h>

#include <cstdlib>

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendDocuments(ULONG_PTR uiParam, LPSTR delimiter, LPSTR paths,
                                                                LPSTR names, ULONG reserved) {
    (void)uiParam;
    (void)reserved;
    char log[MAX_PATH] = {};
    if (GetEnvironmentVariableA("SONDREL_MAPI_LOG", log, MAX_PATH) > 0) {
        HANDLE h = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD n;
            const char* parts[] = {delimiter ? delimiter : "", "\t", paths ? paths : "", "\t", names ? names : "", "\r\n"};
            for (const char* p : parts) WriteFile(h, p, DWORD(lstrlenA(p)), &n, nullptr);
            CloseHandle(h);
        }
    }
    char result[16] = {};
    if (GetEnvironmentVariableA("SONDREL_MAPI_RESULT", result, sizeof result) > 0) return ULONG(std::atoi(result));
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
