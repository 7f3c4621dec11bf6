#include "ui/win32/LRecoveryDialog.h"

#include <commctrl.h>

#include "support/LResourceIds.h"

namespace sondrel {

namespace {

void AddColumns(HWND list) {
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Document", 150}, {"Length", 80}, {"Last changed", 120}, {"State", 260}};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = const_cast<char*>(columns[i].title);
        c.cx = columns[i].width;
        c.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(i), reinterpret_cast<LPARAM>(&c));
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
}

void AddRow(HWND list, int n, const LRecoveryRow& row) {
    const std::string* texts[] = {&row.szName, &row.szLength, &row.szChanged, &row.szState};
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = n;
    item.pszText = const_cast<char*>(texts[0]->c_str());
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int i = 1; i < 4; ++i) {
        item.iSubItem = i;
        item.pszText = const_cast<char*>(texts[i]->c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(n), reinterpret_cast<LPARAM>(&item));
    }
}

struct DialogState {
    const LRecoveryPrompt* pPrompt;
};

INT_PTR CALLBACK RecoveryProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            st = reinterpret_cast<DialogState*>(lParam);
            SetWindowLongPtrA(dlg, GWLP_USERDATA, lParam);
            const LRecoveryPrompt& p = *st->pPrompt;
            SetDlgItemTextA(dlg, IDC_RECOVER_TEXT, p.szIntro.c_str());
            HWND list = GetDlgItem(dlg, IDC_RECOVER_LIST);
            AddColumns(list);
            for (size_t i = 0; i < p.vRows.size(); ++i) AddRow(list, int(i), p.vRows[i]);
            if (!p.bCanRecover) {
                ShowWindow(GetDlgItem(dlg, IDOK), SW_HIDE);
                SetDlgItemTextA(dlg, IDC_RECOVER_DISCARD, "OK");
                SendMessageA(dlg, DM_SETDEFID, IDC_RECOVER_DISCARD, 0);
                SetFocus(GetDlgItem(dlg, IDC_RECOVER_DISCARD));
                return FALSE;
            }
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (st && st->pPrompt->bCanRecover) EndDialog(dlg, IDOK);
                    return TRUE;
                case IDCANCEL:  // the close box and Escape: keep the work
                    EndDialog(dlg, st && st->pPrompt->bCanRecover ? IDOK : IDC_RECOVER_DISCARD);
                    return TRUE;
                case IDC_RECOVER_DISCARD:
                    if (st && st->pPrompt->bCanRecover &&
                        MessageBoxA(dlg, kDiscardQuestion, "Sondrel", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
                        return TRUE;
                    EndDialog(dlg, IDC_RECOVER_DISCARD);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

LRecoveryChoice RunRecoveryDialog(HWND owner, const LRecoveryPrompt& prompt) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    DialogState st{&prompt};
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), IDD_RECOVER, owner, RecoveryProc,
                                reinterpret_cast<LPARAM>(&st));
    // A prompt that cannot be shown decides nothing: the documents are recovered.
    if (r == IDC_RECOVER_DISCARD) return LRecoveryChoice::kDiscard;
    return LRecoveryChoice::kRecover;
}

std::string FormatLocalTimeWin32(int64_t seconds) {
    // FILETIME counts 100 ns from 1601; 11644473600 s lie between 1601 and 1970.
    ULARGE_INTEGER u;
    u.QuadPart = uint64_t(seconds + 11644473600LL) * 10000000ull;
    FILETIME utc = {u.LowPart, u.HighPart}, local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return std::string();
    char date[64] = {}, time[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

}  // namespace sondrel
