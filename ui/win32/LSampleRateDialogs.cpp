#include "ui/win32/LSampleRateDialogs.h"

#include "ui/LSampleRateDialog.h"
#include "ui/win32/LDialogWindow.h"

namespace sondrel {

namespace {

bool Run(HWND owner, LSDSampleRateDialog& model) {
    LDialogWindow window(GetModuleHandleA(nullptr), model);
    return window.Run(owner) == IDOK;
}

}  // namespace

bool RunNewFileDialog(HWND owner, bool setDefaults) {
    LSDSampleRateDialog model(setDefaults ? LSampleRateDialogKind::kSetDefaults : LSampleRateDialogKind::kNewFile);
    return Run(owner, model);
}

bool RunVoxSampleRateDialog(HWND owner) {
    LSDSampleRateDialog model(LSampleRateDialogKind::kVox);
    return Run(owner, model);
}

bool RunConvertSampleRateDialog(HWND owner, int32_t& rate) {
    LSDSampleRateDialog model(LSampleRateDialogKind::kConvert, &rate);
    return Run(owner, model);
}

}  // namespace sondrel
