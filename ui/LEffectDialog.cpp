#include "ui/LEffectDialog.h"

#include <algorithm>

#include "document/LSDFile.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

// The controls a parameter owns: one, or one per value for radio buttons.
int ControlCount(const LEffectParam& p) { return p.control == LParamControl::kRadios ? p.nMax - p.nMin + 1 : 1; }

// "Echo Time (ms) :" -> "Echo Time (ms)".
std::string FieldName(const char* label) {
    std::string s = label ? label : "The value";
    while (!s.empty() && (s.back() == ':' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

LSDEffectDialog::LSDEffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc,
                                 LPlayer* player, std::string curveFolder)
    : LSDPreviewDialog(fx.nTemplate, fx.nHelpContext, doc ? &doc->audio : nullptr, fx.pfnPreview ? player : nullptr),
      rFx(fx),
      rValues(values),
      szCurveFolder(std::move(curveFolder)) {
    if (doc) {
        nRate = doc->audio.nSampleRate;
        nSelStart = doc->MsToFrames(doc->stSelStart.ms);
        nSelFrames = doc->MsToFrames(doc->stSelEnd.ms) - nSelStart;
    }
}

void LSDEffectDialog::InitDialog() {
    View().SetCaption(rFx.szCaption ? rFx.szCaption : "");
    for (size_t i = 0; i < rFx.params.size(); ++i) {
        const LEffectParam& p = rFx.params[i];
        int32_t v = rValues[int(i)];
        // A stored choice that no control offers shows the default.
        if ((p.control == LParamControl::kCombo || p.control == LParamControl::kRadios) && (v < p.nMin || v > p.nMax))
            v = p.stored.nDefault;
        switch (p.control) {
            case LParamControl::kEdit:
                View().SetText(p.nControl, std::to_string(v));
                break;
            case LParamControl::kDBEdit:
                View().SetDBRange(p.nControl, p.nMin, p.nMax);
                View().SetDBValue(p.nControl, std::clamp(v, -127, 127));
                break;
            case LParamControl::kCombo: {
                std::vector<std::string> entries;
                for (int32_t k = p.nMin; k <= p.nMax; ++k) entries.push_back(p.pfnChoice ? p.pfnChoice(k) : std::to_string(k));
                View().FillCombo(p.nControl, entries);
                View().SelectCombo(p.nControl, int(v - p.nMin));
                break;
            }
            case LParamControl::kRadios:
                for (int k = 0; k < ControlCount(p); ++k) View().SetChecked(p.nControl + k, p.nMin + k == v);
                break;
        }
        if (p.nLabelControl) View().SetText(p.nLabelControl, p.szLabel);
    }
    ShowEnabling(rValues);
    if (rFx.szCurveFile) {
        PointList list;
        LoadPointList(szCurveFolder, rFx.szCurveFile, list);  // a missing file becomes the flat curve
        curve.SetCurve(list);
        View().AttachCurve(IDC_CURVE, curve);
    }
    if (HasPreview())
        View().SetText(IDC_PREVIEW, "Preview");
    else if (rFx.pfnPreview)
        View().Enable(IDC_PREVIEW, false);  // no document to play
}

bool LSDEffectDialog::ReadValues(LEffectValues& out, int& badControl) {
    for (size_t i = 0; i < rFx.params.size(); ++i) {
        const LEffectParam& p = rFx.params[i];
        int32_t& v = out.v[i];
        switch (p.control) {
            case LParamControl::kEdit:
                if (!ParseWholeNumber(View().GetText(p.nControl), v)) {
                    v = LeadingInt(View().GetText(p.nControl));
                    if (badControl == 0) badControl = p.nControl;
                }
                break;
            case LParamControl::kDBEdit:
                v = View().DBValue(p.nControl);
                break;
            case LParamControl::kCombo: {
                int sel = View().ComboSelection(p.nControl);
                v = sel < 0 ? p.stored.nDefault : p.nMin + sel;
                break;
            }
            case LParamControl::kRadios:
                v = p.stored.nDefault;
                for (int k = 0; k < ControlCount(p); ++k)
                    if (View().IsChecked(p.nControl + k)) v = p.nMin + k;
                break;
        }
    }
    if (rFx.szCurveFile) out.curve = curve.Curve();
    return badControl == 0;
}

LEffectValues LSDEffectDialog::ShownValues() {
    LEffectValues v = rValues;
    int bad = 0;
    ReadValues(v, bad);
    return v;
}

bool LSDEffectDialog::CmOk() {
    LEffectValues v = rValues;
    int bad = 0;
    if (!ReadValues(v, bad)) {
        const int p = ParamOfControl(bad);
        const std::string text =
            FieldName(rFx.params[size_t(p)].szLabel) + " must be a whole number. Please try again.";
        const LParamCheck style = Refusal(rFx.eRefusal, text.c_str());
        Refuse(bad, text, style.szCaption, style.bStopIcon);
        return false;
    }
    LParamCheck check = CheckEffectValues(rFx, v);
    if (!check.bOk) {
        // The control to correct: the first whose default would change the verdict.
        int control = rFx.params.empty() ? 0 : rFx.params[0].nControl;
        for (size_t i = 0; i < rFx.params.size(); ++i) {
            LEffectValues other = v;
            other.v[i] = rFx.params[i].stored.nDefault;
            LParamCheck c = CheckEffectValues(rFx, other);
            if (c.bOk || std::string(c.szMessage) != check.szMessage) {
                control = rFx.params[i].nControl;
                break;
            }
        }
        Refuse(control, check.szMessage, check.szCaption, check.bStopIcon);
        return false;
    }
    WriteStoredValues(rFx, v);
    if (rFx.szCurveFile) {
        // The operation uses the curve as the file gives it back; when the
        // file cannot be written it still uses the curve that was edited.
        if (!SavePointList(szCurveFolder, rFx.szCurveFile, v.curve) ||
            !LoadPointList(szCurveFolder, rFx.szCurveFile, v.curve)) {
            v.curve = curve.Curve();
            v.curve.Validate();
        }
    }
    rValues = v;
    return true;
}

int LSDEffectDialog::ParamOfControl(int id) const {
    for (size_t i = 0; i < rFx.params.size(); ++i) {
        const LEffectParam& p = rFx.params[i];
        if (id >= p.nControl && id < p.nControl + ControlCount(p)) return int(i);
    }
    return -1;
}

void LSDEffectDialog::Command(int id, int code) {
    if (id == IDC_PREVIEW && code == kButtonClicked) {
        CmPreview();
        return;
    }
    if (rFx.szCurveFile) {
        if (id == IDC_SET_FLAT && code == kButtonClicked) {
            curve.SetCurve(FlatCurve());
            CmRestartIfPlaying();
        } else if (id == IDC_CURVE && code == kEditChange) {
            CmRestartIfPlaying();
        }
        return;
    }
    const int p = ParamOfControl(id);
    if (p < 0) return;
    switch (rFx.params[size_t(p)].control) {
        case LParamControl::kEdit:
        case LParamControl::kDBEdit:
            if (code == kEditChange) CmRestartIfPlaying();
            break;
        case LParamControl::kCombo:
            if (code == kComboSelChange) CmRestartIfPlaying();
            break;
        case LParamControl::kRadios:
            if (code == kButtonClicked) {
                ShowEnabling(ShownValues());
                CmRestartIfPlaying();
            }
            break;
    }
}

void LSDEffectDialog::ShowEnabling(const LEffectValues& shown) {
    for (size_t i = 0; i < rFx.params.size(); ++i)
        if (rFx.params[i].nEnabledBy >= 0) View().Enable(rFx.params[i].nControl, ParamEnabled(rFx, int(i), shown));
}

void LSDEffectDialog::CurveNotify(int32_t x, int32_t y) {
    if (!rFx.szCurveFile) return;
    curve.SetLabel(rFx.id == LEffect::kEqualizer ? EqualizerLabel(x, y)
                                                 : EnvelopeLabel(x, y, nSelStart, nSelFrames, nRate));
}

LSoundSourcePtr LSDEffectDialog::OpenSource(const LSoundSourcePtr& inner) {
    return rFx.pfnPreview ? rFx.pfnPreview(ShownValues(), inner) : inner;
}

}  // namespace sondrel
