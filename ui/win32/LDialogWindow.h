// Runs a parameter dialog's model (ui/LDialogModel.h) in a window from its
// dialog template: modal over the main window, on the key dialog base so
// that F1 reaches the model whichever control has the focus. The window is
// the model's LDialogView: it fills and reads the controls, shows the
// model's message boxes ("Error" with the stop icon, anything else with the
// information icon), and turns the dialog's messages into the model's calls:
//   OK (1)          CmOk; the dialog closes only when it accepts
//   Cancel (2), Esc, the close box    the dialog closes
//   Help (9), F1    CmHelp
//   other commands  Command(id, notification code)
//   WM_USER + 20    CurveNotify (the curve editor's pointer)
//   closing         Destroy (a preview stops)
// A curve dialog's editor control is attached to the model's editor with
// the label font the caller gives.
#pragma once
#include <windows.h>

#include "ui/LDialogModel.h"
#include "ui/win32/LBrainWaveWindow.h"
#include "ui/win32/LKeyDialogBox.h"

namespace sondrel {

class LDialogWindow : public LKeyDialogBox, private LDialogView {
public:
    // The template is the model's number; labelFont: the curve editor's label
    // font (borrowed), or null.
    LDialogWindow(HINSTANCE instance, LSDDialog& model, HFONT labelFont = nullptr);
    ~LDialogWindow() override;

    // Runs the dialog over owner (disabled meanwhile) until it closes:
    // IDOK when OK was accepted, IDCANCEL otherwise, -1 when the dialog
    // could not be created.
    int Run(HWND owner);
    // Opens it without waiting (tests pump the messages themselves).
    bool OpenModeless(HWND owner);
    int Result() const { return nResult; }

protected:
    bool KeyDown(UINT vk, const LKeyState& keys) override;
    bool CanCloseOk() override;
    bool CanCloseCancel() override;
    INT_PTR DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // LDialogView
    void SetCaption(const std::string& text) override;
    std::string GetText(int id) override;
    void SetText(int id, const std::string& text) override;
    void Enable(int id, bool enabled) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void FillCombo(int id, const std::vector<std::string>& entries) override;
    void SelectCombo(int id, int index) override;
    int ComboSelection(int id) override;
    void SetDBRange(int id, int32_t min, int32_t max) override;
    void SetDBValue(int id, int32_t value) override;
    int32_t DBValue(int id) override;
    void AttachCurve(int id, LCurveEditor& editor) override;
    void ShowMessage(const std::string& text, const std::string& caption, bool stopIcon) override;
    void FocusControl(int id) override;

    void GiveBackOwner();

    LSDDialog& rModel;
    HFONT hLabelFont;
    LBrainWaveWindow curve;
    HWND hOwner = nullptr;
    bool bOwnerDisabled = false;
    int nResult = IDCANCEL;
};

// Registers the window classes the dialog templates place: the decibel
// slider and the curve editor (once per process).
bool RegisterDialogClasses(HINSTANCE instance);

}  // namespace sondrel
