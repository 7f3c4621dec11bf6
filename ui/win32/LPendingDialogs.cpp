// The dialogs the main window's commands open that this build does not have
// yet (see LMainServices.cpp): the effect and edit parameter dialogs and the
// record dialog. The effect commands get one plain dialog for every record
// of the effect table: a label and an edit field per parameter (at the
// parameter's control id), OK and Cancel; OK makes the record's checks,
// shows a refusal in a box with its caption and icon and keeps the dialog
// open, or stores the values; records with a curve take the curve of their
// file as it is. Recording says that it is not available.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LSDFile.h"
#include "effects/LEffectTable.h"

namespace sondrel {

namespace {

// A dialog template in memory (DLGTEMPLATE and its items, word aligned).
class TemplateWriter {
public:
    void Word(uint16_t w) { data.push_back(w); }
    void DWord(uint32_t d) {
        Word(uint16_t(d & 0xFFFF));
        Word(uint16_t(d >> 16));
    }
    void Text(const char* s) {
        int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
        std::wstring w(size_t(n > 0 ? n : 1), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
        for (wchar_t c : w) Word(uint16_t(c));
        if (w.empty() || w.back() != L'\0') Word(0);
    }
    void Align() {
        if (data.size() % 2) Word(0);
    }
    void Item(uint32_t style, short x, short y, short cx, short cy, uint16_t id, uint16_t cls, const char* text) {
        Align();
        DWord(style | WS_CHILD | WS_VISIBLE);
        DWord(0);
        Word(uint16_t(x));
        Word(uint16_t(y));
        Word(uint16_t(cx));
        Word(uint16_t(cy));
        Word(id);
        Word(0xFFFF);
        Word(cls);
        Text(text);
        Word(0);
    }
    std::vector<uint16_t> data;
};

struct DialogState {
    const LEffectDesc* fx;
    LEffectValues* values;
};

constexpr uint16_t kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;

INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            st = reinterpret_cast<DialogState*>(lParam);
            for (size_t i = 0; i < st->fx->params.size(); ++i)
                SetDlgItemInt(dlg, st->fx->params[i].nControl, UINT((*st->values)[int(i)]), TRUE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                LEffectValues v = *st->values;
                for (size_t i = 0; i < st->fx->params.size(); ++i) {
                    BOOL ok = FALSE;
                    v.v[i] = int32_t(GetDlgItemInt(dlg, st->fx->params[i].nControl, &ok, TRUE));
                }
                LParamCheck check = CheckEffectValues(*st->fx, v);
                if (!check.bOk) {
                    MessageBoxA(dlg, check.szMessage, check.szCaption,
                                MB_OK | (check.bStopIcon ? MB_ICONSTOP : MB_ICONINFORMATION));
                    return TRUE;
                }
                WriteStoredValues(*st->fx, v);
                *st->values = v;
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

}  // namespace

bool RunEffectDialog(HWND owner, const LEffectDesc& fx, LEffectValues& values, const LSDFile*) {
    const short rows = short(fx.params.size());
    const short width = 220, height = short(30 + rows * 18 + 26);
    TemplateWriter t;
    t.DWord(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.DWord(0);
    t.Word(uint16_t(rows * 2 + 2));
    t.Word(0);
    t.Word(0);
    t.Word(uint16_t(width));
    t.Word(uint16_t(height));
    t.Word(0);  // no menu
    t.Word(0);  // the dialog class
    t.Text(fx.szCaption ? fx.szCaption : "");
    t.Word(8);
    t.Text("MS Shell Dlg");
    for (short i = 0; i < rows; ++i) {
        const LEffectParam& p = fx.params[size_t(i)];
        short y = short(10 + i * 18);
        t.Item(SS_LEFT, 8, short(y + 2), 130, 10, 0xFFFF, kStaticClass, p.szLabel ? p.szLabel : "");
        t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 142, y, 70, 13, uint16_t(p.nControl), kEditClass, "");
    }
    short y = short(height - 22);
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, short(width - 112), y, 50, 14, IDOK, kButtonClass, "OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, short(width - 58), y, 50, 14, IDCANCEL, kButtonClass, "Cancel");

    if (fx.szCurveFile && LAudioCutTank::Current())
        LoadPointList(LAudioCutTank::Current()->GetFolder(), fx.szCurveFile, values.curve);
    DialogState st{&fx, &values};
    INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                        reinterpret_cast<const DLGTEMPLATE*>(t.data.data()), owner, Proc,
                                        reinterpret_cast<LPARAM>(&st));
    return r == IDOK;
}

int RunRecordDialog(HWND owner, int32_t, uint8_t, const std::string&, LCutListAudio&) {
    MessageBoxA(owner, "Recording is not available in this version of Sondrel.", "Record",
                MB_OK | MB_ICONINFORMATION);
    return 0;
}

}  // namespace sondrel
