#include "ui/win32/LSampleRateDialogs.h"

#include <cstdio>
#include <cstdlib>

#include "effects/LEffectParams.h"
#include "support/LSettings.h"
#include "ui/win32/resource.h"

namespace sondrel {

namespace {

struct RateDialogState {
    int kind;           // IDD_NEW_FILE, IDD_CONVERT_SAMPLE_RATE or IDD_VOX_SAMPLE_RATE
    bool setDefaults;   // NewWavDlg only
    int32_t rate;
    int32_t chans;
};

void FillRates(HWND dlg, int32_t current) {
    HWND combo = GetDlgItem(dlg, IDC_SAMPLE_RATE);
    for (int32_t r : kOfferedSampleRates) {
        char t[16];
        std::snprintf(t, sizeof t, "%d", int(r));
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
    }
    char t[16];
    std::snprintf(t, sizeof t, "%d", int(current));
    SetWindowTextA(combo, t);
}

INT_PTR CALLBACK RateDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = reinterpret_cast<RateDialogState*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            st = reinterpret_cast<RateDialogState*>(lParam);
            SetWindowLongPtrA(dlg, GWLP_USERDATA, lParam);
            if (st->kind == IDD_NEW_FILE) {
                SetWindowTextA(dlg, st->setDefaults ? "Set Defaults" : "New File");
                CheckRadioButton(dlg, IDC_MONO, IDC_STEREO, st->chans == 2 ? IDC_STEREO : IDC_MONO);
            }
            FillRates(dlg, st->rate);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && st) {
                char t[32] = {};
                GetDlgItemTextA(dlg, IDC_SAMPLE_RATE, t, sizeof t);
                int32_t rate = int32_t(std::strtol(t, nullptr, 10));
                LParamCheck c = CheckSampleRate(rate);
                if (!c.bOk) {
                    MessageBoxA(dlg, c.szMessage, c.szCaption, MB_OK | MB_ICONSTOP);
                    return TRUE;
                }
                st->rate = rate;
                st->chans = IsDlgButtonChecked(dlg, IDC_MONO) == BST_CHECKED ? 1 : 2;
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

bool Run(HWND owner, RateDialogState& st) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(st.kind), owner, RateDialogProc,
                           reinterpret_cast<LPARAM>(&st)) == IDOK;
}

}  // namespace

bool RunNewFileDialog(HWND owner, bool setDefaults) {
    const char* rateKey = setDefaults ? "DefaultSampleRate" : "SelectedSampleRate";
    const char* chansKey = setDefaults ? "DefaultChannels" : "SelectedChannels";
    RateDialogState st{IDD_NEW_FILE, setDefaults, ReadInt("Settings", rateKey, 44100), ReadInt("Settings", chansKey, 1)};
    if (!Run(owner, st)) return false;
    WriteInt("Settings", rateKey, st.rate);
    WriteInt("Settings", chansKey, st.chans);
    return true;
}

bool RunVoxSampleRateDialog(HWND owner) {
    RateDialogState st{IDD_VOX_SAMPLE_RATE, false, ReadInt("Settings", "VoxSelectedSampleRate", 8000), 1};
    if (!Run(owner, st)) return false;
    WriteInt("Settings", "VoxSelectedSampleRate", st.rate);
    return true;
}

bool RunConvertSampleRateDialog(HWND owner, int32_t& rate) {
    RateDialogState st{IDD_CONVERT_SAMPLE_RATE, false, rate, 1};
    if (!Run(owner, st)) return false;
    rate = st.rate;
    return true;
}

}  // namespace sondrel
