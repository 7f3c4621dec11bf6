// The mail system of Windows: the profile entry in WIN.INI and Simple MAPI's
// "MAPI32.DLL", loaded for each call.
#pragma once
#include <windows.h>

#include "support/LMail.h"

namespace sondrel {

class LMapiMail : public LMailSystem {
public:
    ~LMapiMail() override { Unload(); }
    std::string ProfileMapiEntry() override;
    bool Load() override;
    bool FindSendDocuments() override;
    uint32_t SendDocuments(const char* delimiter, const std::string& paths, const std::string& names) override;
    void Unload() override;

private:
    using SendDocumentsFn = ULONG(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, LPSTR, ULONG);
    HMODULE hLibrary = nullptr;
    SendDocumentsFn pSend = nullptr;
};

}  // namespace sondrel
