#include "ui/win32/LRecordDialog.h"

namespace sondrel {

// Recording needs the record dialog, which this build does not have yet:
// the command says so instead of doing nothing.
int RunRecordDialog(HWND owner, int32_t, uint8_t, const std::string&, LCutListAudio&) {
    MessageBoxA(owner, "Recording is not available in this version of Sondrel.", "Record",
                MB_OK | MB_ICONINFORMATION);
    return 0;
}

}  // namespace sondrel
