#include "support/win32/LMapiMail.h"

#include <vector>

namespace sondrel {

std::string LMapiMail::ProfileMapiEntry() {
    char entry[6] = {};
    GetProfileStringA("Mail", "MAPI", "0", entry, sizeof entry);
    return entry;
}

bool LMapiMail::Load() {
    Unload();
    hLibrary = LoadLibraryA("MAPI32.DLL");
    return hLibrary != nullptr;
}

bool LMapiMail::FindSendDocuments() {
    pSend = hLibrary ? reinterpret_cast<SendDocumentsFn>(
                           reinterpret_cast<void*>(GetProcAddress(hLibrary, "MAPISendDocuments")))
                     : nullptr;
    return pSend != nullptr;
}

uint32_t LMapiMail::SendDocuments(const char* delimiter, const std::string& paths, const std::string& names) {
    if (!pSend) return 2;  // MAPI_E_FAILURE
    // The function takes writable strings.
    std::vector<char> delim(delimiter, delimiter + strlen(delimiter) + 1);
    std::vector<char> p(paths.begin(), paths.end());
    p.push_back('\0');
    std::vector<char> n(names.begin(), names.end());
    n.push_back('\0');
    return pSend(0, delim.data(), p.data(), n.data(), 0);
}

void LMapiMail::Unload() {
    pSend = nullptr;
    if (hLibrary) FreeLibrary(hLibrary);
    hLibrary = nullptr;
}

}  // namespace sondrel
