// The frame every parameter dialog follows, without the windows: a dialog
// model fills its controls (InitDialog), checks and stores what they show
// when OK is pressed (CmOk; false keeps the dialog open), opens the manual
// at its topic (CmHelp: the Help button and F1), and hears its other
// commands (Command). The Win32 side (ui/win32/LDialogWindow) runs a model
// modally over the main window and reaches the controls for it through
// LDialogView; the tests use a view of their own.
//
// LSDPreviewDialog adds the Preview button (IDC_PREVIEW): the dialog's own player
// plays a copy of the document, taken when the dialog is built, through the
// effect made from the values the controls show (OpenSource), from the
// document's start; a change of a parameter control restarts a running
// preview with the new values (CmRestartIfPlaying); closing the dialog
// stops it. The button reads "Stop" while the preview plays, "Preview"
// otherwise.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "devices/LPlayer.h"
#include "document/LCutListAudio.h"

namespace sondrel {

class LCurveEditor;

// Notification codes the models react to: those the Windows controls send
// (BN_CLICKED, EN_CHANGE, which the decibel slider sends too, CBN_SELCHANGE).
enum LControlNotify : int { kButtonClicked = 0, kComboSelChange = 1, kEditChange = 0x300 };

// The controls of one open dialog, by control id.
class LDialogView {
public:
    virtual ~LDialogView() = default;
    virtual void SetCaption(const std::string& text) = 0;
    // Edit fields, statics, buttons, and the edit part of a combo box.
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    // Radio buttons.
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    // Combo boxes: the entries and the selected one (-1: none).
    virtual void FillCombo(int id, const std::vector<std::string>& entries) = 0;
    virtual void SelectCombo(int id, int index) = 0;
    virtual int ComboSelection(int id) = 0;
    // Decibel sliders (LDBEdit): the range, then the value, which the
    // control keeps within it.
    virtual void SetDBRange(int id, int32_t min, int32_t max) = 0;
    virtual void SetDBValue(int id, int32_t value) = 0;
    virtual int32_t DBValue(int id) = 0;
    // The curve editor control: it edits this editor's curve from now on.
    virtual void AttachCurve(int id, LCurveEditor& editor) = 0;
    // A message box over the dialog: the stop icon or the information icon.
    virtual void ShowMessage(const std::string& text, const std::string& caption, bool stopIcon) = 0;
    // The focus goes to a control whose value was refused, its text selected.
    virtual void FocusControl(int id) = 0;
};

// A whole signed number, blanks around it allowed; false for anything else
// (no digits, other characters, a value beyond 32 bits).
bool ParseWholeNumber(const std::string& text, int32_t& value);

class LSDDialog {
public:
    LSDDialog(int nTemplate, int nHelpContext) : nTemplate(nTemplate), nHelpContext(nHelpContext) {}
    virtual ~LSDDialog() = default;
    LSDDialog(const LSDDialog&) = delete;
    LSDDialog& operator=(const LSDDialog&) = delete;

    int Template() const { return nTemplate; }
    int HelpContext() const { return nHelpContext; }

    // The window side calls these, with the view of the open dialog.
    void Attach(LDialogView* view) { pView = view; }
    virtual void InitDialog() = 0;
    // OK: true when the values were accepted (and stored); false keeps the
    // dialog open.
    virtual bool CmOk() = 0;
    // The Help button (9) and F1. False when the manual could not be shown.
    bool CmHelp();
    // Commands of the dialog's other controls (button clicks, edit changes,
    // combo box selections) with their notification codes.
    virtual void Command(int id, int code) {
        (void)id;
        (void)code;
    }
    // The curve editor's notification: the pointer or the dragged point.
    virtual void CurveNotify(int32_t x, int32_t y) {
        (void)x;
        (void)y;
    }
    // The dialog goes, whichever way it closes.
    virtual void Destroy() {}

protected:
    LDialogView& View() { return *pView; }
    // Refuses a value: the message in a box, the focus on the control.
    void Refuse(int control, const std::string& text, const std::string& caption, bool stopIcon);

private:
    int nTemplate;
    int nHelpContext;
    LDialogView* pView = nullptr;
};

// Shown when the player cannot start the preview.
constexpr const char* kPreviewFailedText =
    "The playback device could not be opened. It may be in use by another program.";

class LSDPreviewDialog : public LSDDialog, public LPlayerListener {
public:
    // document: copied now, and played by the preview; player: the
    // dialog's own, which reports to the dialog while it exists. A dialog
    // built without a player has no preview.
    LSDPreviewDialog(int nTemplate, int nHelpContext, const LCutListAudio* document, LPlayer* player);
    ~LSDPreviewDialog() override;

    bool HasPreview() const { return pPlayer != nullptr; }
    // The effect made from the values the controls show, over inner.
    virtual LSoundSourcePtr OpenSource(const LSoundSourcePtr& inner) = 0;

    // The Preview button: starts the preview from the document's start, or
    // stops it.
    void CmPreview();
    // A parameter control changed: a running preview starts again with the
    // values shown now.
    void CmRestartIfPlaying();
    // The player's reports: the button reads "Stop" while it plays.
    void PlayerState(uint16_t state) override;
    void PlayerPosition(int32_t) override {}
    void PlayerLevels(const int8_t*, int32_t) override {}
    void Destroy() override;

private:
    bool StartPreview();
    bool IsPlaying() const;

    LCutListAudio copy;
    LPlayer* pPlayer;
};

}  // namespace sondrel
