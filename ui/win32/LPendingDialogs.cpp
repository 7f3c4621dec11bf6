// The dialogs the main window's commands open that this build does not have
// yet (see LMainServices.cpp): recording says that it is not available.
#include <windows.h>

#include <cstdint>
#include <string>

#include "document/LCutListAudio.h"

namespace sondrel {

int RunRecordDialog(HWND owner, int32_t, uint8_t, const std::string&, LCutListAudio&) {
    MessageBoxA(owner, "Recording is not available in this version of Sondrel.", "Record",
                MB_OK | MB_ICONINFORMATION);
    return 0;
}

}  // namespace sondrel
