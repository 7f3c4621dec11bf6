#include "cd/win32/LSCSIWin32.h"

#include <windows.h>

namespace sondrel {

namespace {

// ASPI for Win32 exports both functions with the C calling convention.
using SendASPI32CommandFn = DWORD(__cdecl*)(void*);
using GetASPI32SupportInfoFn = DWORD(__cdecl*)();

class LWin32SCSIPlatform : public LSCSIPlatform {
public:
    bool LoadASPI() override {
        // Loaded once and kept until the program ends.
        if (!hLibrary) hLibrary = LoadLibraryA("WNASPI32");
        if (!hLibrary) return false;
        pSend = reinterpret_cast<SendASPI32CommandFn>(
            reinterpret_cast<void*>(GetProcAddress(hLibrary, "SendASPI32Command")));
        pInfo = reinterpret_cast<GetASPI32SupportInfoFn>(
            reinterpret_cast<void*>(GetProcAddress(hLibrary, "GetASPI32SupportInfo")));
        return pSend && pInfo;
    }
    uint32_t GetASPI32SupportInfo() override { return pInfo ? uint32_t(pInfo()) : uint32_t(kSS_NO_ADAPTERS) << 8; }
    uint32_t SendASPI32Command(void* srb) override { return pSend ? uint32_t(pSend(srb)) : uint32_t(kSS_ERR); }

    bool ListDriveRoots(char* buffer, uint32_t chars) override {
        DWORD n = GetLogicalDriveStringsA(chars, buffer);
        return n > 0 && n < chars;
    }
    bool IsCDROMDrive(const char* root) override { return GetDriveTypeA(root) == DRIVE_CDROM; }
    intptr_t OpenDevice(const char* path) override {
        HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? kInvalidSCSIHandle : reinterpret_cast<intptr_t>(h);
    }
    void CloseDevice(intptr_t handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
    bool DeviceIoControl(intptr_t handle, uint32_t code, void* in, uint32_t inBytes, void* out,
                         uint32_t outBytes) override {
        DWORD returned = 0;
        return ::DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, in, inBytes, out, outBytes, &returned,
                                 nullptr) != FALSE;
    }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }

private:
    HMODULE hLibrary = nullptr;
    SendASPI32CommandFn pSend = nullptr;
    GetASPI32SupportInfoFn pInfo = nullptr;
};

}  // namespace

LSCSIPlatform& Win32SCSIPlatform() {
    static LWin32SCSIPlatform platform;
    return platform;
}

void UseWin32SCSIPlatformIfNone() {
    if (!CurrentSCSIPlatform()) InstallSCSIPlatform(&Win32SCSIPlatform());
}

}  // namespace sondrel
