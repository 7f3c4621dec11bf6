#include "ui/win32/LMainServices.h"

#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "ui/win32/LEffectDialogs.h"
#include "ui/win32/LRecordDialog.h"
#include "ui/win32/LSettingsSheet.h"

namespace sondrel {

bool LWin32MainServices::EffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc) {
    return RunEffectDialog(hOwner, fx, values, doc);
}

int LWin32MainServices::RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded) {
    return RunRecordDialog(hOwner, rate, chans, name, recorded);
}

void LWin32MainServices::LoadCDTracks(LDocuments& docs) {
    if (fnCDImport) {
        fnCDImport(hOwner, docs);
        return;
    }
    MessageBoxA(hOwner, "Loading audio CD tracks is not available in this version of Sondrel.",
                "Load Audio CD Track(s)", MB_OK | MB_ICONINFORMATION);
}

void LWin32MainServices::Settings() { CmSettings(hOwner); }

void LWin32MainServices::Send(LDocuments& docs) { CmSend(hOwner, docs); }

void LWin32MainServices::Help() { ShowHelp(IDH_CONTENTS); }

void LWin32MainServices::OpenManualPage(const char* page) { ShowManualPage(page); }

void LWin32MainServices::About() { ShowAboutBox(hOwner); }

namespace {
INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
}  // namespace

void ShowAboutBox(HWND owner) { DialogBoxParamA(GetModuleHandleA(nullptr), IDD_ABOUT, owner, AboutProc, 0); }

}  // namespace sondrel
