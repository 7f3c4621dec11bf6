#include "ui/win32/LDialogWindow.h"

#include <commctrl.h>

#include "support/LResourceIds.h"
#include "ui/win32/LMeterControls.h"

namespace sondrel {

bool RegisterDialogClasses(HINSTANCE instance) {
    return RegisterMeterClasses(instance) && LBrainWaveWindow::RegisterClass(instance);
}

LDialogWindow::LDialogWindow(HINSTANCE instance, LSDDialog& model, HFONT labelFont)
    : LKeyDialogBox(instance, MAKEINTRESOURCEA(model.Template())), rModel(model), hLabelFont(labelFont) {}

LDialogWindow::~LDialogWindow() {
    // A window still open goes now, while its model can still hear it.
    Close();
    GiveBackOwner();
}

bool LDialogWindow::OpenModeless(HWND owner) {
    nResult = IDCANCEL;
    if (!Open(owner)) return false;
    ShowWindow(Window(), SW_SHOW);
    return true;
}

int LDialogWindow::Run(HWND owner) {
    // As the system's modal dialogs do: the owner is the top-level window
    // (a property page's sheet, not the page).
    hOwner = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    nResult = IDCANCEL;
    if (!Open(owner)) return -1;
    if (hOwner && IsWindowEnabled(hOwner)) {
        EnableWindow(hOwner, FALSE);
        bOwnerDisabled = true;
    }
    ShowWindow(Window(), SW_SHOW);
    RunLoop();
    GiveBackOwner();
    return nResult;
}

void LDialogWindow::GiveBackOwner() {
    if (!bOwnerDisabled) return;
    bOwnerDisabled = false;
    EnableWindow(hOwner, TRUE);
    SetActiveWindow(hOwner);
}

bool LDialogWindow::KeyDown(UINT vk, const LKeyState& keys) {
    if (vk == VK_F1 && !keys.bControl && !keys.bAlt && !keys.bShift) {
        rModel.CmHelp();
        return true;
    }
    return false;
}

bool LDialogWindow::CanCloseOk() {
    if (!rModel.CmOk()) return false;
    nResult = IDOK;
    // The owner is enabled before this window goes, so that it, and not
    // another program, becomes the active window.
    GiveBackOwner();
    return true;
}

bool LDialogWindow::CanCloseCancel() {
    nResult = IDCANCEL;
    GiveBackOwner();
    return true;
}

INT_PTR LDialogWindow::DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            rModel.Attach(this);
            rModel.InitDialog();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDHELP) {
                rModel.CmHelp();
                return TRUE;
            }
            rModel.Command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HELP:
            rModel.CmHelp();
            return TRUE;
        case WM_CLOSE:
            PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return TRUE;
        case WM_DESTROY:
            rModel.Destroy();
            return TRUE;
        case WM_NCDESTROY:
            rModel.Attach(nullptr);
            return TRUE;
        default:
            if (msg == kCurveNotifyMessage) {
                rModel.CurveNotify(int32_t(LOWORD(lParam)), int32_t(HIWORD(lParam)));
                return TRUE;
            }
    }
    return FALSE;
}

void LDialogWindow::SetCaption(const std::string& text) { SetWindowTextA(Window(), text.c_str()); }

std::string LDialogWindow::GetText(int id) {
    char t[260] = {};
    GetDlgItemTextA(Window(), id, t, sizeof t);
    return t;
}

void LDialogWindow::SetText(int id, const std::string& text) { SetDlgItemTextA(Window(), id, text.c_str()); }

void LDialogWindow::Enable(int id, bool enabled) { EnableWindow(GetDlgItem(Window(), id), enabled); }

bool LDialogWindow::IsChecked(int id) { return IsDlgButtonChecked(Window(), id) == BST_CHECKED; }

void LDialogWindow::SetChecked(int id, bool checked) {
    CheckDlgButton(Window(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void LDialogWindow::FillCombo(int id, const std::vector<std::string>& entries) {
    HWND combo = GetDlgItem(Window(), id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& e : entries) SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(e.c_str()));
}

void LDialogWindow::SelectCombo(int id, int index) { SendDlgItemMessageA(Window(), id, CB_SETCURSEL, WPARAM(index), 0); }

int LDialogWindow::ComboSelection(int id) { return int(SendDlgItemMessageA(Window(), id, CB_GETCURSEL, 0, 0)); }

void LDialogWindow::SetDBRange(int id, int32_t min, int32_t max) {
    SendDlgItemMessageA(Window(), id, kDBEditSetRange, WPARAM(min), LPARAM(max));
}

void LDialogWindow::SetDBValue(int id, int32_t value) {
    SendDlgItemMessageA(Window(), id, kDBEditSetValue, 0, LPARAM(value));
}

int32_t LDialogWindow::DBValue(int id) {
    return int32_t(SendDlgItemMessageA(Window(), id, kDBEditGetValue, 0, 0));
}

void LDialogWindow::AttachCurve(int id, LCurveEditor& editor) {
    curve.Attach(GetDlgItem(Window(), id), editor, hLabelFont);
}

void LDialogWindow::ShowMessage(const std::string& text, const std::string& caption, bool stopIcon) {
    MessageBoxA(Window(), text.c_str(), caption.c_str(), MB_OK | (stopIcon ? MB_ICONSTOP : MB_ICONINFORMATION));
}

void LDialogWindow::FocusControl(int id) {
    // As the dialog manager moves the focus: an edit's text is selected.
    SendMessageA(Window(), WM_NEXTDLGCTL, WPARAM(GetDlgItem(Window(), id)), TRUE);
}

}  // namespace sondrel
