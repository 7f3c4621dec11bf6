#include "ui/win32/LSettingsSheet.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/win32/LMapiMail.h"
#include "support/win32/LWin32Registry.h"
#include "ui/LSendCommand.h"
#include "ui/LSettingsPages.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LSampleRateDialogs.h"

namespace sondrel {

namespace {

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
        if (IsDbEdit(id)) SendDlgItemMessageA(hDlg, id, kDBEditSetRange, WPARAM(lo), LPARAM(hi));
    }
    void SetDbValue(int id, int value) override {
        if (IsDbEdit(id)) {
            SendDlgItemMessageA(hDlg, id, kDBEditSetValue, 0, LPARAM(value));
            return;
        }
        SetDlgItemInt(hDlg, id, UINT(std::clamp(value, nMin, nMax)), TRUE);
    }
    int DbValue(int id) override {
        if (IsDbEdit(id)) return int(int8_t(SendDlgItemMessageA(hDlg, id, kDBEditGetValue, 0, 0)));
        return int(std::strtol(Text(id).c_str(), nullptr, 10));
    }

private:
    bool IsDbEdit(int id) {
        char cls[16] = {};
        GetClassNameA(GetDlgItem(hDlg, id), cls, sizeof cls);
        return std::string(cls) == kDBEditClass;
    }
    HWND hDlg;
    int nMin = -127, nMax = 127;
};

struct SheetState {
    LWin32Registry registry;
    std::string programPath;
    bool accepted = false;  // a page took OK
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

// A page: its controls and its logic, kept for the page's life.
struct Page {
    explicit Page(HWND dlg, int help) : controls(dlg), nHelp(help) {}
    virtual ~Page() = default;
    virtual void Clicked(HWND, int) {}
    virtual void CmOk() = 0;
    DialogControls controls;
    int nHelp;
    SheetState* pState = nullptr;
};
struct GeneralPage : Page {
    LGeneralPage page;
    GeneralPage(HWND dlg, SheetState& s) : Page(dlg, IDH_SETTINGS_GENERAL), page(controls, s.registry, s.programPath) {
        page.InitDialog();
    }
    void Clicked(HWND dlg, int id) override {
        if (page.Clicked(id)) RunNewFileDialog(dlg, true);
    }
    void CmOk() override { page.CmOk(); }
};
struct AudioPage : Page {
    LAudioProcessPage page;
    AudioPage(HWND dlg, SheetState&) : Page(dlg, IDH_SETTINGS_AUDIO), page(controls) {
        page.InitDialog(PlaybackDevices());
    }
    void CmOk() override { page.CmOk(); }
};

// What a page's template is given: the sheet's state and how to make the page.
struct PageMaker {
    SheetState* state;
    Page* (*make)(HWND, SheetState&);
};
template <class T>
Page* Make(HWND dlg, SheetState& s) {
    return new T(dlg, s);
}

INT_PTR CALLBACK PageProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<Page*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            auto* maker = reinterpret_cast<PageMaker*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            page = maker->make(dlg, *maker->state);
            page->pState = maker->state;
            SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
            return TRUE;
        }
        case WM_COMMAND:
            if (page && HIWORD(wParam) == BN_CLICKED) page->Clicked(dlg, LOWORD(wParam));
            return TRUE;
        case WM_HELP:
            if (page) ShowHelp(page->nHelp);
            return TRUE;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lParam);
            if (!page) break;
            if (nm->code == PSN_APPLY) {
                page->CmOk();
                page->pState->accepted = true;
                SetWindowLongPtrA(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (nm->code == PSN_HELP) {
                ShowHelp(page->nHelp);
                return TRUE;
            }
            break;
        }
        case WM_DESTROY:
            delete page;
            SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
            break;
    }
    return FALSE;
}

}  // namespace

bool CmSettings(HWND owner) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    SheetState state;
    state.programPath = ProgramPath();

    PROPSHEETPAGEA pages[2] = {};
    const int templates[2] = {IDD_SETTINGS_GENERAL, IDD_SETTINGS_AUDIO};
    PageMaker makers[2] = {{&state, Make<GeneralPage>}, {&state, Make<AudioPage>}};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_HASHELP;
        pages[i].hInstance = GetModuleHandleA(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = reinterpret_cast<LPARAM>(&makers[i]);
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEICONID | PSH_HASHELP;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszIcon = MAKEINTRESOURCEA(IDI_MAIN);
    sheet.pszCaption = "Settings";
    sheet.nPages = 2;
    sheet.ppsp = pages;
    PropertySheetA(&sheet);
    return state.accepted;
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

void CmHelp() { ShowHelp(IDH_CONTENTS); }

}  // namespace sondrel
