#include "ui/win32/LWin32DocumentHost.h"

#include "support/win32/LFilePrompts.h"
#include "ui/win32/LProgressDialog.h"
#include "ui/win32/LSampleRateDialogs.h"

namespace sondrel {

namespace {
// Runs a callable as the body of a progress dialog.
class LFunctionProgressDialog : public LProgressDialog {
public:
    LFunctionProgressDialog(const char* title, const std::function<LProcessResult(LProgress*)>& op)
        : LProgressDialog(title), op_(op) {}
    bool Process() override {
        nResult = op_(this);
        return nResult == kProcessDone;
    }
    LProcessResult nResult = kProcessFailed;

private:
    const std::function<LProcessResult(LProgress*)>& op_;
};

const char kOpenFilter[] =
    "Audio Files\0*.WAV;*.MP3;*.GSM;*.VOX;*.RM;*.RAM;*.RA\0Wave Files\0*.WAV\0MPEG Layer-3 Files\0*.MP3\0"
    "Vox Files\0*.VOX\0Gsm Files\0*.GSM\0Real Audio Files\0*.RAM;*.RA;*.RM\0";
const char kSaveFilter[] =
    "Audio Files\0*.WAV;*.MP3;*.GSM;*.VOX\0Wave Files\0*.WAV\0MPEG Layer-3 Files\0*.MP3\0Vox Files\0*.VOX\0"
    "GSM Files\0*.GSM\0";
}  // namespace

LProcessResult LWin32DocumentHost::RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& operation) {
    LFunctionProgressDialog dlg(title, operation);
    if (!dlg.Run(hOwner) && dlg.nResult == kProcessFailed) return kProcessFailed;
    return dlg.nResult;
}

bool LWin32DocumentHost::AskNewFileFormat() { return RunNewFileDialog(hOwner, false); }

bool LWin32DocumentHost::AskVoxSampleRate() { return RunVoxSampleRateDialog(hOwner); }

bool LWin32DocumentHost::AskConvertSampleRate(int32_t& rate) { return RunConvertSampleRateDialog(hOwner, rate); }

LDocumentHost::Answer LWin32DocumentHost::Ask(const std::string& text, bool questionIcon) {
    int r = MessageBoxA(hOwner, text.c_str(), "Sondrel", MB_YESNOCANCEL | (questionIcon ? MB_ICONQUESTION : 0));
    return r == IDYES ? kYes : r == IDNO ? kNo : kCancel;
}

void LWin32DocumentHost::ShowError(const std::string& text) {
    MessageBoxA(hOwner, text.c_str(), "Sondrel", MB_OK | MB_ICONERROR);
}

bool LWin32DocumentHost::AskOpenPath(std::string& path) {
    return AskOpenFile(hOwner, {"Open Audio Files", kOpenFilter, "wav"}, std::string(), path);
}

bool LWin32DocumentHost::AskSavePath(std::string& path) {
    // The name field starts empty, whatever the document is called.
    return AskSaveFile(hOwner, {"Locate Audio Files", kSaveFilter, "wav"}, std::string(), path);
}

}  // namespace sondrel
