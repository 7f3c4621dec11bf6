#include "ui/win32/LSettingsSheet.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/LHelp.h"
#include "support/win32/LMapiMail.h"
#include "support/win32/LWin32Registry.h"
#include "ui/LSendCommand.h"
#include "ui/LSettingsPages.h"
#include "ui/win32/LSampleRateDialogs.h"
#include "ui/win32/SettingsResource.h"

namespace sondrel {

namespace {

constexpr UINT kDbSetValue = WM_USER, kDbGetValue = WM_USER + 1, kDbSetRange = WM_USER + 2;

// A page's controls over its dialog window. The threshold is the decibel
// slider "LDBEdit" when the template has one, else an edit holding the number.
class DialogControls : public LPageControls {
public:
    explicit DialogControls(HWND dlg) : hDlg(dlg) {}
    bool IsChecked(int id) override { return IsDlgButtonChecked(hDlg, id) == BST_CHECKED; }
    void Check(int id, bool on) override { CheckDlgButton(hDlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void Enable(int id, bool on) override { EnableWindow(GetDlgItem(hDlg, id), on); }
    std::string Text(int id) override {
        char t[64] = {};
        GetDlgItemTextA(hDlg, id, t, sizeof t);
        return t;
    }
    void SetText(int id, const std::string& text) override { SetDlgItemTextA(hDlg, id, text.c_str()); }
    void AddListItem(int id, const std::string& text) override {
        SendDlgItemMessageA(hDlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void SelectListItem(int id, int index) override { SendDlgItemMessageA(hDlg, id, CB_SETCURSEL, WPARAM(index), 0); }
    void SetDbRange(int id, int lo, int hi) override {
        nMin = lo;
        nMax = hi;
        if (IsDbEdit(id)) SendDlgItemMessageA(hDlg, id, kDbSetRange, WPARAM(lo), LPARAM(hi));
    }
    void SetDbValue(int id, int value) override {
        if (IsDbEdit(id)) {
            SendDlgItemMessageA(hDlg, id, kDbSetValue, 0, LPARAM(value));
            return;
        }
        SetDlgItemInt(hDlg, id, UINT(std::clamp(value, nMin, nMax)), TRUE);
    }
    int DbValue(int id) override {
        if (IsDbEdit(id)) return int(int8_t(SendDlgItemMessageA(hDlg, id, kDbGetValue, 0, 0)));
        return int(std::strtol(Text(id).c_str(), nullptr, 10));
    }

private:
    bool IsDbEdit(int id) {
        char cls[16] = {};
        GetClassNameA(GetDlgItem(hDlg, id), cls, sizeof cls);
        return std::string(cls) == "LDBEdit";
    }
    HWND hDlg;
    int nMin = -127, nMax = 127;
};

struct SheetState {
    LWin32Registry registry;
    std::string programPath;
    bool accepted = false;
};

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::vector<std::string> PlaybackDevices() {
    std::vector<std::string> names;
    UINT n = waveOutGetNumDevs();
    for (UINT i = 0; i < n; ++i) {
        WAVEOUTCAPSA caps = {};
        names.push_back(waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
    }
    return names;
}

// Per page: its controls and its logic, kept for the page's life.
struct GeneralPageData {
    DialogControls controls;
    LGeneralPage page;
    GeneralPageData(HWND dlg, SheetState& s) : controls(dlg), page(controls, s.registry, s.programPath) {}
};
struct AudioPageData {
    DialogControls controls;
    LAudioProcessPage page;
    explicit AudioPageData(HWND dlg) : controls(dlg), page(controls) {}
};

INT_PTR CALLBACK GeneralPageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<GeneralPageData*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<SheetState*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            data = new GeneralPageData(dlg, *state);
            SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
            data->page.InitDialog();
            return TRUE;
        }
        case WM_COMMAND:
            if (data && HIWORD(wParam) == BN_CLICKED && data->page.Clicked(LOWORD(wParam)))
                RunNewFileDialog(dlg, true);
            return TRUE;
        case WM_HELP: ShowHelp(kHelpGeneralSettings); return TRUE;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lParam);
            if (nm->code == PSN_APPLY && data) {
                data->page.CmOk();
                auto* state = reinterpret_cast<SheetState*>(GetWindowLongPtrA(GetParent(dlg), GWLP_USERDATA));
                if (state) state->accepted = true;
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (nm->code == PSN_HELP) {
                ShowHelp(kHelpGeneralSettings);
                return TRUE;
            }
            break;
        }
        case WM_DESTROY:
            delete data;
            SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK AudioPageProc(HWND dlg, UINT msg, WPARAM, LPARAM lParam) {
    auto* data = reinterpret_cast<AudioPageData*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG:
            data = new AudioPageData(dlg);
            SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
            data->page.InitDialog(PlaybackDevices());
            return TRUE;
        case WM_HELP: ShowHelp(kHelpAudioSettings); return TRUE;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lParam);
            if (nm->code == PSN_APPLY && data) {
                data->page.CmOk();
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (nm->code == PSN_HELP) {
                ShowHelp(kHelpAudioSettings);
                return TRUE;
            }
            break;
        }
        case WM_DESTROY:
            delete data;
            SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
            break;
    }
    return FALSE;
}

SheetState* gSheet = nullptr;  // the open sheet, for its callback

int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && gSheet) SetWindowLongPtrA(sheet, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(gSheet));
    return 0;
}

}  // namespace

bool CmSettings(HWND owner) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    SheetState state;
    state.programPath = ProgramPath();

    PROPSHEETPAGEA pages[2] = {};
    const int templates[2] = {IDD_GENERAL_PAGE, IDD_AUDIO_PROCESS_PAGE};
    DLGPROC procs[2] = {GeneralPageProc, AudioPageProc};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_HASHELP;
        pages[i].hInstance = GetModuleHandleA(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
        pages[i].pfnDlgProc = procs[i];
        pages[i].lParam = reinterpret_cast<LPARAM>(&state);
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEICONID | PSH_HASHELP | PSH_USECALLBACK;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszIcon = MAKEINTRESOURCEA(IDI_PROGRAM);
    sheet.pszCaption = "Settings";
    sheet.nPages = 2;
    sheet.ppsp = pages;
    sheet.pfnCallback = SheetCallback;
    gSheet = &state;
    INT_PTR r = PropertySheetA(&sheet);
    gSheet = nullptr;
    return r > 0 || state.accepted;
}

bool CmSend(HWND owner, LDocuments& docs, LMailSystem& mail) {
    return CmSend(docs, mail, [owner](const std::string& text) {
        MessageBoxA(owner, text.c_str(), "Send", MB_OK | MB_ICONEXCLAMATION);
    });
}

bool CmSend(HWND owner, LDocuments& docs) {
    LMapiMail mail;
    return CmSend(owner, docs, mail);
}

void CmHelp() { ShowHelp(kHelpContents); }

}  // namespace sondrel
