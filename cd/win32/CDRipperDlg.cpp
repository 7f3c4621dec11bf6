#include "cd/win32/CDRipperDlg.h"

#include <commctrl.h>

#include "cd/LCDRipper.h"
#include "cd/win32/LSCSIWin32.h"
#include "document/LAudioCutTank.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "ui/win32/LWin32DocumentHost.h"

namespace sondrel {

namespace {

class CDRipperDlg : public LCDRipperView {
public:
    explicit CDRipperDlg(std::string folder) : model_(*this, std::move(folder)) {}

    INT_PTR Run(HWND owner) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        // F1 reaches the focused control, not the dialog: the modal loop's
        // message filter takes it for the whole dialog.
        HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, HelpKeyFilter, nullptr, GetCurrentThreadId());
        INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CD_TRACKS), owner, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
        if (hook) UnhookWindowsHookEx(hook);
        return r;
    }
    const std::vector<std::string>& Imported() const { return model_.Imported(); }

    LProcessResult RunOperation(const char* title,
                                const std::function<LProcessResult(LProgress*)>& operation) override {
        return LWin32DocumentHost(hDlg).RunOperation(title, operation);
    }
    void ShowMessage(const char* text, const char* caption, bool error) override {
        MessageBoxA(hDlg, text, caption, MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
    }
    void SetDrives(const std::vector<std::string>& names, int selected) override {
        HWND combo = GetDlgItem(hDlg, IDC_CD_DRIVE);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& n : names) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
        SendMessageA(combo, CB_SETCURSEL, WPARAM(selected), 0);
    }
    void SetTracks(const std::vector<std::string>& tracks, const std::vector<std::string>& durations) override {
        HWND list = GetDlgItem(hDlg, IDC_CD_TRACKS);
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        for (size_t i = 0; i < tracks.size(); ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = int(i);
            item.pszText = const_cast<char*>(tracks[i].c_str());
            int at = int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            item.iSubItem = 1;
            item.pszText = const_cast<char*>(durations[i].c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(at), reinterpret_cast<LPARAM>(&item));
        }
    }
    void Close(bool ok) override { EndDialog(hDlg, ok ? IDOK : IDCANCEL); }

private:
    static LRESULT CALLBACK HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (code == MSGF_DIALOGBOX && m && m->message == WM_KEYDOWN && m->wParam == VK_F1 &&
            GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0) {
            HWND top = GetAncestor(m->hwnd, GA_ROOT);
            if (top && GetDlgItem(top, IDC_CD_TRACKS)) {
                ShowHelp(IDH_CD_TRACKS);
                return 1;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_INITDIALOG) {
            auto* self = reinterpret_cast<CDRipperDlg*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
            self->hDlg = hwnd;
            self->InitDialog();
            return TRUE;
        }
        auto* self = reinterpret_cast<CDRipperDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        return self ? self->HandleMessage(msg, wParam, lParam) : FALSE;
    }

    void InitDialog() {
        HWND list = GetDlgItem(hDlg, IDC_CD_TRACKS);
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        RECT client;
        GetClientRect(list, &client);
        const char* titles[] = {"Track", "Duration"};
        for (int c = 0; c < 2; ++c) {
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.cx = (client.right - client.left) / 2;
            column.pszText = const_cast<char*>(titles[c]);
            column.iSubItem = c;
            SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
        }
        model_.UpdateDrive();
    }

    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_COMMAND) {
            switch (LOWORD(wParam)) {
                case IDOK:
                    Import();
                    return TRUE;
                case IDCANCEL:
                    EndDialog(hDlg, IDCANCEL);
                    return TRUE;
                case IDC_CD_REFRESH:
                    model_.UpdateDrive();
                    return TRUE;
                case IDHELP:
                    ShowHelp(IDH_CD_TRACKS);
                    return TRUE;
                case IDC_CD_DRIVE:
                    if (HIWORD(wParam) == CBN_SELCHANGE)
                        model_.CDDriveChanged(int(SendDlgItemMessageA(hDlg, IDC_CD_DRIVE, CB_GETCURSEL, 0, 0)));
                    return TRUE;
            }
            return FALSE;
        }
        if (msg == WM_HELP) {
            ShowHelp(IDH_CD_TRACKS);
            return TRUE;
        }
        if (msg == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (hdr->idFrom == IDC_CD_TRACKS && hdr->code == NM_DBLCLK) {
                Import();
                return TRUE;
            }
        }
        return FALSE;
    }

    void Import() {
        int drive = int(SendDlgItemMessageA(hDlg, IDC_CD_DRIVE, CB_GETCURSEL, 0, 0));
        std::vector<int> selected;
        HWND list = GetDlgItem(hDlg, IDC_CD_TRACKS);
        for (int i = -1; (i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
            selected.push_back(i);
        model_.Import(drive, selected);
    }

    HWND hDlg = nullptr;
    LCDRipperModel model_;
};

}  // namespace

std::vector<std::string> RunCDRipperDialog(HWND owner) {
    UseWin32SCSIPlatformIfNone();
    LAudioCutTank* tank = LAudioCutTank::Current();
    CDRipperDlg dlg(tank ? tank->GetFolder() : std::string());
    dlg.Run(owner);
    return dlg.Imported();
}

int CmLoadCDTrack(HWND owner, LDocuments& documents) {
    return OpenImportedTracks(documents, RunCDRipperDialog(owner));
}

}  // namespace sondrel
