// Every effect and edit parameter dialog, built from its effect table
// record (effects/LEffectTable.h): the record gives the template, caption,
// help topic, the parameters with their controls, stored keys and defaults,
// the checks OK makes and the preview. One class serves them all:
//   - edits show the number, decibel sliders their range and value, combo
//     boxes the record's choices, radio buttons the value's button; a
//     control enabled by another's value follows it;
//   - OK reads every control (an edit must hold a whole number), runs the
//     record's checks, shows a refusal in a box ("Invalid value" with the
//     information icon, or "Error" with the stop icon) and keeps the dialog
//     open, or stores the values in "StoredValues";
//   - curve dialogs (envelope, equaliser) edit the curve file of the record:
//     the file is loaded when the dialog opens, "Set Flat" (102) flattens the
//     curve in the editor, OK saves it and loads it back for the operation,
//     Cancel writes nothing;
//   - records with a previewer get the Preview button of LSDPreviewDialog,
//     restarted by every change of a parameter control.
#pragma once
#include <cstdint>
#include <string>

#include "effects/LEffectTable.h"
#include "ui/LCurveEditor.h"
#include "ui/LDialogModel.h"

namespace sondrel {

class LSDFile;

class LSDEffectDialog : public LSDPreviewDialog {
public:
    // values: what the dialog starts from (the stored values), and what it
    // accepted. doc: the current document (the preview plays a copy of it;
    // the envelope's label reads its selection). curveFolder: where the
    // curve files are (the data folder).
    LSDEffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc, LPlayer* player,
                    std::string curveFolder);

    const LEffectDesc& Effect() const { return rFx; }
    LCurveEditor& Curve() { return curve; }

    void InitDialog() override;
    bool CmOk() override;
    void Command(int id, int code) override;
    void CurveNotify(int32_t x, int32_t y) override;
    LSoundSourcePtr OpenSource(const LSoundSourcePtr& inner) override;

    // The values the controls show; an edit that holds no whole number
    // counts by its leading digits (0 when none), as the preview takes it.
    LEffectValues ShownValues();

private:
    // The value a control shows; false (with the control) when an edit holds
    // no whole number.
    bool ReadValues(LEffectValues& out, int& badControl);
    void ShowEnabling(const LEffectValues& shown);
    int ParamOfControl(int id) const;

    const LEffectDesc& rFx;
    LEffectValues& rValues;
    std::string szCurveFolder;
    LCurveEditor curve;
    // The envelope's label: the selection in frames at the document's rate.
    int32_t nSelStart = 0, nSelFrames = 0, nRate = 44100;
};

}  // namespace sondrel
